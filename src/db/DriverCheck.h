#pragma once

#include <QString>

namespace qalor {

class CDatabase;

// Which database an open connection reaches, as its ODBC driver reports it.
struct DriverIdentity
{
    QString dbmsName;    // SQL_DBMS_NAME: "SQLite", "PostgreSQL", ...
    QString dbmsVersion; // SQL_DBMS_VER
    QString driverName;  // SQL_DRIVER_NAME: the driver's library
};

// The workstation's statements are written for SQLite 3 (through the SQLite3
// ODBC driver) and PostgreSQL (through psqlODBC); any other data source
// behind "TDS" is refused at start rather than failing call by call.
class DriverCheck
{
public:
    // Asks the driver of an open connection; throws DbError when it cannot.
    static DriverIdentity identify(CDatabase& db);
    static bool supported(const DriverIdentity& identity);
    // The start-up message for a data source that is not supported.
    static QString refusalText(const DriverIdentity& identity);
};

} // namespace qalor
