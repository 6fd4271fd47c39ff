#pragma once

#include "reports/CallRow.h"

#include <QList>

namespace qalor {

// The calls of one query, read forward from the first. rewind() starts over
// (a database cursor runs its statement again); next() fills the row and
// returns false at the end. Failures raise DbError.
class CallSource
{
public:
    virtual ~CallSource() = default;
    virtual void rewind() = 0;
    virtual bool next(CallRow& row) = 0;
};

// Calls held in memory: for reports built from rows already read.
class CallListSource : public CallSource
{
public:
    explicit CallListSource(QList<CallRow> rows) : m_rows(std::move(rows)) {}
    void rewind() override { m_next = 0; }
    bool next(CallRow& row) override
    {
        if (m_next >= m_rows.size())
            return false;
        row = m_rows[m_next++];
        return true;
    }

private:
    QList<CallRow> m_rows;
    qsizetype m_next = 0;
};

} // namespace qalor
