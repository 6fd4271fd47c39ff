#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace qalor {

// The kinds of column the data source holds. Integers of both widths are
// carried as 32-bit ints in memory; a bit is an int 0/1.
enum class ColumnType { Text, Int16, Int32, Single, Double, Bit };

struct ColumnDef
{
    QString name;
    ColumnType type;
    bool autoNumber = false; // numbered by the database, never written by the program
    bool money = false;      // an amount of money: shown in cents, totalled in cents
};

struct TableDef
{
    QString name;
    QList<ColumnDef> columns;
    // The columns that tell one row from another for the people editing the
    // table (a rate's 区号): the data source does not enforce them, the
    // editors and the import keep them single. Empty: rows may repeat.
    QStringList key;

    int indexOf(const QString& column) const;
    QList<int> keyColumns() const;
    const ColumnDef& column(int i) const { return columns.at(i); }
    int columnCount() const { return int(columns.size()); }
};

} // namespace qalor
