#pragma once

#include "db/TableDef.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

namespace qalor {

class CDatabase;

// Rows of a parameter table that share its key (two rates for one 区号: the
// engine takes one of them and nobody can tell which): those already in the
// table, and those a CSV file would add.
class KeyDuplicates
{
public:
    struct Repeat
    {
        QString key;          // the key's values as the grid shows them, "/" between columns
        int rows = 0;         // rows of the table holding it
        QList<int> lines;     // lines of a file holding it
        bool inTable = false; // the table already holds it (an import that adds)
    };

    // The keys more than one row of the table holds, in key order. Raises
    // DbError when the table cannot be read. Nothing for a table without a key.
    static QList<Repeat> inTable(const TableDef& table, CDatabase& db);
    // Every key of the table's rows, with how many rows hold it.
    static QMap<QString, int> keysInTable(const TableDef& table, CDatabase& db);
    // The key of a row of typed values (in the table's column order).
    static QString keyOf(const TableDef& table, const QList<QVariant>& row);

    // "区号重复: 13 (3行), 0755 (2行)"; empty when nothing repeats.
    static QString tableText(const TableDef& table, const QList<Repeat>& repeats);
    // One line per repeated key of a file: "区号“13”重复: 第2、5行" (", 表中已有"
    // when the table holds it too), at most ten lines.
    static QString fileText(const TableDef& table, const QList<Repeat>& repeats);

private:
    static QString keyCaption(const TableDef& table);
};

} // namespace qalor
