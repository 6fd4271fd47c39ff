#include "db/DbError.h"

#include <QSqlError>

namespace qalor {

DbError::DbError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}

DbError DbError::fromSql(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (text.isEmpty())
        text = QStringLiteral("Unknown database error");
    return DbError(text);
}

} // namespace qalor
