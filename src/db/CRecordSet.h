#pragma once

#include "db/CDatabase.h"
#include "db/TableDef.h"

#include <QList>
#include <QSqlQuery>
#include <QVariant>
#include <optional>

namespace qalor {

// A static snapshot over one table that still allows appending and editing
// rows. Columns are bound by position from the table definition (never by the
// names a driver reports): column i of the record set is bindings()[i] of the
// table. Set a filter (WHERE condition) and a sort (ORDER BY list) before
// open(). Every failure raises DbError.
class CRecordSet
{
public:
    // db == nullptr: the shared connection.
    explicit CRecordSet(const TableDef& table, CDatabase* db = nullptr);
    // A mapping whose binding order differs from the table's physical order.
    CRecordSet(const TableDef& table, const QList<QString>& bindingOrder, CDatabase* db = nullptr);
    virtual ~CRecordSet();
    CRecordSet(const CRecordSet&) = delete;
    CRecordSet& operator=(const CRecordSet&) = delete;

    void setFilter(const QString& filter) { m_filter = filter, m_filterValues.clear(); }
    // A filter with ? placeholders and the values bound to them in order:
    // what a person typed never becomes part of the statement text.
    void setFilter(const QString& filter, const QList<QVariant>& values)
    {
        m_filter = filter, m_filterValues = values;
    }
    void setSort(const QString& sort) { m_sort = sort; }
    const QString& filter() const { return m_filter; }
    const QString& sort() const { return m_sort; }

    void open();
    void close();
    bool isOpen() const { return m_open; }

    int recordCount() const { return int(m_rows.size()); }
    bool isEOF() const { return m_current >= m_rows.size(); }
    void moveFirst() { m_current = 0; }
    void moveNext();

    // Appending: addNew(), set the values, update(). Editing the current
    // row: edit(), set the values, update().
    void addNew();
    void edit();
    void update();
    void cancelUpdate();

    int columnCount() const { return int(m_bindings.size()); }
    const ColumnDef& columnDef(int column) const;
    QVariant value(int column) const;
    void setValue(int column, const QVariant& value);

    QString text(int column) const { return value(column).toString(); }
    int integer(int column) const { return value(column).toInt(); }
    float single(int column) const { return value(column).toFloat(); }
    double real(int column) const { return value(column).toDouble(); }
    bool bit(int column) const { return value(column).toInt() != 0; }

    const TableDef& table() const { return m_table; }
    CDatabase& database() const;

    // Converts a raw driver value (or a value a caller sets) to the column's
    // in-memory type: QString, int, float or double; NULL becomes 0 or "".
    static QVariant normalize(ColumnType type, const QVariant& raw);
    // The value bound when a column of this type is written (texts cut to
    // the 255 characters the system keeps).
    static QVariant bindable(ColumnType type, const QVariant& value);

private:
    enum class Mode { Browse, Adding, Editing };

    QString selectStatement() const;
    void insertRow();
    void updateRow();
    QList<QVariant> emptyRow() const;

    const TableDef& m_table;
    QList<int> m_bindings;
    CDatabase* m_db;
    QString m_filter;
    QList<QVariant> m_filterValues;
    QString m_sort;
    bool m_open = false;
    QList<QList<QVariant>> m_rows;
    QList<QVariant> m_rowIds;
    qsizetype m_current = 0;
    Mode m_mode = Mode::Browse;
    QList<QVariant> m_buffer;
    std::optional<QSqlQuery> m_insert;
    int m_insertOpening = 0;
};

} // namespace qalor
