#pragma once

#include "db/sets/CCdrSet.h"
#include "intake/LineJournal.h"

#include <QString>

namespace qalor {

// Raw saving: every CDR line as received, one row of cdr表 each (append
// only). A row goes into the transaction of its line's call when there is
// one. A row the data source refuses must not cost the call: the failure is
// shown once until saving works again, and the line waits in the raw
// journal, stored with the next line that gets through, in batches marked
// in the data source so that none is stored twice.
class RawStore
{
public:
    RawStore();
    static QString journalPath();

    // Opens cdr表; failures are shown with the driver's text or
    // "Unkonwn Error in CQalorView Structing.".
    bool open();
    void close();

    // Adds the row of line in the open transaction, if any; false when it
    // was refused (the line then waits in the raw journal).
    bool insert(const QString& line);
    // Adds the row of line and, outside a transaction, the rows waiting
    // before it.
    bool save(const QString& line);
    // The row of line was rolled back with its transaction: it waits in the raw journal.
    void keep(const QString& line);
    // Stores the rows waiting in the raw journal, oldest first (outside a transaction only).
    void storeKept();

private:
    void addRow(const QString& line);

    CCdrSet m_raw;
    LineJournal m_kept;
    bool m_failureShown = false;
};

} // namespace qalor
