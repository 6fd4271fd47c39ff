#pragma once

#include <QString>
#include <stdexcept>

class QSqlError;

namespace qalor {

// A failure of the data source; message() is the driver's own text, shown to
// the person as it stands.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString& message);
    static DbError fromSql(const QSqlError& error);
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace qalor
