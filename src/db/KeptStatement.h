#pragma once

#include <QSqlQuery>
#include <QString>
#include <optional>

namespace qalor {

class CDatabase;

// A statement run for every call: prepared once per opening of the
// connection instead of at every run. A connection closed and opened again
// (the intake after a lost server) or replaced by another one gets the
// statement prepared anew: a statement of the old one is never run.
class KeptStatement
{
public:
    explicit KeptStatement(QString sql) : m_sql(std::move(sql)) {}

    // The statement, prepared on the connection as it is open now. Raises
    // DbError when the connection cannot be opened or the statement prepared.
    QSqlQuery& on(CDatabase& db);

private:
    QString m_sql;
    std::optional<QSqlQuery> m_query;
    // The connection by its name: one that replaced it may sit at the same
    // address with the same count of openings.
    QString m_connection;
    int m_opening = -1;
};

} // namespace qalor
