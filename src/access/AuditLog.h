#pragma once

#include <QString>

namespace qalor {

class CDatabase;

// Rows of the audit table LOGINFO. Rows are only ever added.
class AuditLog
{
public:
    // Adds a row dated now; a failure shows its text (or "Unkonwn Error in
    // LOGINFO TABLE.") and returns false: the operation itself stands.
    // db == nullptr: the shared connection.
    static bool write(const QString& administrator, const QString& operation, const QString& result,
                      CDatabase* db = nullptr);

    static QString success() { return QStringLiteral("成功"); }
    static QString failure() { return QStringLiteral("失败"); }
    static QString nobody() { return QStringLiteral("无"); }
};

} // namespace qalor
