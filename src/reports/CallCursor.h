#pragma once

#include "reports/CallSource.h"
#include "reports/DetailQuery.h"

#include <QSqlQuery>
#include <optional>

namespace qalor {

class CDatabase;

// Walks the calls a detail query selects with a forward-only statement: rows
// are read as they are needed, never all at once. rewind() runs the
// statement again (the first time included).
class CallCursor : public CallSource
{
public:
    // db == nullptr: the shared connection.
    explicit CallCursor(DetailQuery query, CDatabase* db = nullptr);

    const DetailQuery& query() const { return m_query; }
    void rewind() override;
    bool next(CallRow& row) override;
    // Ends the statement (a later next() reports the end).
    void close();

private:
    DetailQuery m_query;
    CDatabase* m_db;
    std::optional<QSqlQuery> m_statement;
};

} // namespace qalor
