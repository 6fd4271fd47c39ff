#pragma once

#include "db/KeptStatement.h"
#include "format/Money.h"

#include <QString>

namespace qalor {

// A stored call as it is added to a stay: the caller is the room's extension.
struct StayCall
{
    QString caller;
    QString called;
    QString date; // yymmdd, as 话费表 holds it
    QString time; // hhmmss
    Money amount; // charge and surcharge as the bill's line shows them
};

// The hotel accrual: writes a stored call's amount into the running total of
// its extension's open stay. Nothing is kept in memory: every call reads the
// open stay of its extension from 宾馆管理表 inside the transaction that
// stores the call, adds its amount to the stored 结帐金额 and links the call
// to the stay (宾馆通话表). A check-in or check-out by any program on the data
// source therefore counts from the next call on, and a call that is not
// stored is not accrued either (the caller's transaction is rolled back).
// What is kept is the statements, prepared once per opening of the
// connection, and that the link table is there on that opening.
class StayAccrual
{
public:
    StayAccrual();

    // Creates 宾馆通话表 where a data source from before it lacks it.
    static void ensureLinkTable();
    // The same, and the columns 宾馆管理表 gained since (at start: the
    // workstation works on a data source qalor-initdb has not brought up to date).
    static void ensureStayTables();

    // 1 when the stay's charges have just reached its deposit, 0 otherwise,
    // -1 when the extension has no open stay. Raises DbError when the
    // register cannot be read or written: the call must then not be stored.
    int accrue(const StayCall& call);

private:
    void ensureLinkTableOnce(CDatabase& db);

    KeptStatement m_open;
    KeptStatement m_addSqlite;
    KeptStatement m_addPostgres;
    KeptStatement m_total;
    KeptStatement m_link;
    QString m_checkedConnection; // the opening the link table was made sure on
    int m_checkedOpening = -1;
};

} // namespace qalor
