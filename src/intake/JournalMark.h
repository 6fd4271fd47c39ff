#pragma once

#include <QString>

namespace qalor {

// How far the data source has stored each local journal: one row of
// 日志序号表 per journal identity, holding the number of the last entry
// whose rows are stored. A replay writes it in the same transaction as the
// rows it stores, so a crash at any point leaves either both or neither, and
// nothing is stored twice. Works on the shared connection; raises DbError.
class JournalMark
{
public:
    static QString tableName() { return QStringLiteral("日志序号表"); }
    // Creates the table when the data source lacks it.
    static void ensureTable();
    // The number stored for the journal, 0 when none.
    static qint64 read(const QString& identity);
    // The same, once every transaction still writing the mark has ended: a
    // commit whose answer was lost may still be under way on the server.
    static qint64 readSettled(const QString& identity);
    // Raises the stored number to at least number (inside the caller's transaction).
    static void write(const QString& identity, qint64 number);
};

} // namespace qalor
