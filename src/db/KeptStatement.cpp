#include "db/KeptStatement.h"

#include "db/CDatabase.h"

namespace qalor {

QSqlQuery& KeptStatement::on(CDatabase& db)
{
    db.ensureOpen();
    const QString connection = db.handle().connectionName();
    if (!m_query || m_connection != connection || m_opening != db.openings()) {
        m_query.reset();
        m_query = db.prepare(m_sql);
        m_connection = connection;
        m_opening = db.openings();
    }
    return *m_query;
}

} // namespace qalor
