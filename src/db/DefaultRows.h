#pragma once

#include "db/CDatabase.h"
#include "db/TableDef.h"

#include <QList>
#include <QString>

namespace qalor {

struct CdrFieldRow
{
    int sequence;
    QString name;
    int width;
    int output;
};

// The CDR layout a new data source starts with: 27 slots, the printed ones
// with the widths the parser places on the canonical record.
const QList<CdrFieldRow>& defaultCdrLayout();

// Rows every new table of these kinds starts with.
void insertDefaultRows(CDatabase& db, const TableDef& table, const QString& headkeeperPassword);

// A realistic demonstration data set (rates, discounts, departments,
// extensions) for the tables that were just created.
void insertSampleRows(CDatabase& db, const TableDef& table);

} // namespace qalor
