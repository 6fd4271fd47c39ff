#include "db/DriverCheck.h"

#include "db/CDatabase.h"

#include <sql.h>
#include <sqlext.h>

namespace qalor {

namespace {

QString info(SQLHDBC connection, SQLUSMALLINT item)
{
    SQLWCHAR buffer[256] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN result = SQLGetInfoW(connection, item, buffer, SQLSMALLINT(sizeof buffer), &length);
    if (!SQL_SUCCEEDED(result))
        throw DbError(QStringLiteral("The ODBC driver does not name its data source (SQLGetInfo failed)."));
    const qsizetype units = qMin<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), std::size(buffer) - 1);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), units);
}

} // namespace

DriverIdentity DriverCheck::identify(CDatabase& db)
{
    db.ensureOpen();
    const SQLHDBC connection = db.odbcConnection();
    if (!connection)
        throw DbError(QStringLiteral("The data source is not reached through ODBC."));
    return {info(connection, SQL_DBMS_NAME), info(connection, SQL_DBMS_VER),
            info(connection, SQL_DRIVER_NAME)};
}

bool DriverCheck::supported(const DriverIdentity& identity)
{
    if (identity.dbmsName.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0)
        return true;
    // The SQLite ODBC package also carries a driver for SQLite 2, whose
    // files and statements differ.
    return identity.dbmsName.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0 &&
           identity.dbmsVersion.startsWith(QLatin1Char('3'));
}

QString DriverCheck::refusalText(const DriverIdentity& identity)
{
    return QStringLiteral("数据源TDS的数据库(%1 %2,ODBC驱动程序%3)不受支持。\n"
                          "本系统只支持SQLite 3和PostgreSQL的ODBC驱动程序,程序将退出。")
        .arg(identity.dbmsName, identity.dbmsVersion, identity.driverName);
}

} // namespace qalor
