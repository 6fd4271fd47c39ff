#include "db/ArgumentSecrets.h"

#include <QFile>
#include <QRegularExpression>
#include <sys/stat.h>

namespace qalor {

bool ArgumentSecrets::hasPassword(const QString& connection)
{
    static const QRegularExpression password(QStringLiteral("(^|;)\\s*(pwd|password)\\s*=\\s*[^;\\s]"),
                                             QRegularExpression::CaseInsensitiveOption);
    return password.match(connection).hasMatch();
}

QString ArgumentSecrets::connectionWarning(const QString& program)
{
    return QStringLiteral("%1: warning: the password in --connection can be read by every local user in the "
                          "process list; keep it in the DSN (~/.odbc.ini, mode 0600), in ~/.pgpass or in "
                          "$QALOR_ODBC instead")
        .arg(program);
}

std::optional<QString> ArgumentSecrets::readPasswordFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    struct stat status
    {
    };
    if (fstat(file.handle(), &status) != 0 || (status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        *error = QStringLiteral("%1 may be read by other users (mode %2); make it 0600")
                     .arg(path)
                     .arg(status.st_mode & 07777, 4, 8, QLatin1Char('0'));
        return std::nullopt;
    }
    QString line = QString::fromUtf8(file.readLine());
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

} // namespace qalor
