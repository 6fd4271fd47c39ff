#pragma once

// GridModel: the rows of one SELECT over one table, editable in place.
//
//   GridModel model;                       // or GridModel model(nullptr, &myDb)
//   model.setRecordSource("SELECT * FROM 管理员口令表");
//   model.refresh();                       // runs it; false (and a message) on failure
//   model.setAllowUpdate(true);            // cells of fetched rows may be changed
//   model.setAllowAddNew(true);            // an empty row at the end takes a new row
//   model.setAllowDelete(true);            // removeRows() deletes from the table
//   model.writeRow();                      // writes the row being typed or changed
//
// A row is typed cell by cell and written as a whole when the person leaves
// it (writeRow()), never cell by cell; the view's per-cell submit() and
// revert() do nothing. A value the column cannot hold is refused with a
// message naming the column. A write the database refuses shows the driver's
// text and keeps the typed row for correction.
//
// Headings and column types come from the table definitions, so the model works
// with drivers that garble non-ASCII column names. Every write goes to the
// table by row identifier with bound values.

#include "db/CDatabase.h"
#include "gui/RecordSource.h"

#include <QAbstractTableModel>
#include <QList>
#include <QVariant>
#include <functional>
#include <optional>

namespace qalor {

class GridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // db == nullptr: the shared connection.
    explicit GridModel(QObject* parent = nullptr, CDatabase* db = nullptr);

    // A value in the shortest text that reads back to the same value: what
    // editing shows, and what exports write so that an import gives it back.
    static QString exactText(ColumnType type, const QVariant& value);

    // The statement that the next refresh() runs.
    void setRecordSource(const QString& sql);
    const QString& recordSource() const { return m_sql; }
    // Writes a row still being typed, then runs the record source again.
    // Returns false, with the reason shown, when either fails (a row that
    // could not be written stays as typed).
    bool refresh();
    // Rows are put in Chinese dictionary (pinyin) order of this column after
    // each read; the data source orders Chinese text by its code points.
    // Empty: the record source's own order.
    void setCollatedColumn(const QString& column) { m_collated = column; }

    void setAllowAddNew(bool on);
    void setAllowDelete(bool on) { m_allowDelete = on; }
    void setAllowUpdate(bool on) { m_allowUpdate = on; }
    // Read by the view: whether arrow keys move between cells.
    void setAllowArrows(bool on) { m_allowArrows = on; }
    bool allowAddNew() const { return m_allowAddNew; }
    bool allowDelete() const { return m_allowDelete; }
    bool allowUpdate() const { return m_allowUpdate; }
    bool allowArrows() const { return m_allowArrows; }

    const TableDef* table() const { return m_source ? m_source->table : nullptr; }
    // The table's columns shown, in grid order (indexes into table()->columns).
    QList<int> tableColumns() const { return m_source ? m_source->columns : QList<int>(); }
    const ColumnDef& columnDef(int column) const;
    CDatabase& database() const;
    // Rows fetched from the table (without the empty row for adding).
    int recordCount() const { return int(m_rows.size()); }
    bool isNewRow(int row) const { return m_allowAddNew && row == recordCount(); }
    // A cell as its column type holds it (QString, int, float or double),
    // with what was typed into it and is not written yet.
    QVariant value(int row, int column) const;

    // The row typed or changed and not written yet, or -1.
    int unwrittenRow() const;
    // Writes the unwritten row: an UPDATE of the changed cells or an INSERT
    // of the new row. True when there was nothing to write.
    bool writeRow();
    // Forgets what was typed into the unwritten row.
    void abandonRow();
    // A check of a whole row (its cells in grid order) before it is written:
    // the refusal to show, naming the column, or an empty text. A refused
    // row stays as typed.
    void setRowCheck(std::function<QString(const QList<QVariant>& cells)> check)
    {
        m_rowCheck = std::move(check);
    }
    // A text column that holds secrets sealed one way (password hashes):
    // its cells show a mask over a value and start empty for editing, and
    // what is typed is stored as seal() makes it. Typing nothing leaves the
    // value as it is.
    void setSealedColumn(const QString& column, std::function<QString(const QString&)> seal);
    bool isSealed(int column) const;
    static QString sealedMask() { return QStringLiteral("******"); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
    // Deletes fetched rows (any order) from the table in one transaction:
    // all of them or, when the database refuses one, none.
    bool deleteRecords(QList<int> rows);

    // The view calls these after every cell; rows are written when left.
    bool submit() override { return true; }
    void revert() override {}

private:
    struct Row
    {
        QList<QVariant> values;
        QVariant rowId;
    };

    bool load();
    void collate();
    Row emptyRow() const;
    bool updateRow();
    bool insertPending();
    Row fetchRow(const QVariant& rowId);
    void emitRowChanged(int row);

    CDatabase* m_db;
    QString m_sql;
    QString m_collated;
    std::optional<RecordSource> m_source;
    QList<Row> m_rows;
    Row m_pending;
    bool m_pendingDirty = false;
    int m_editRow = -1;        // fetched row with changes not written yet
    QList<QVariant> m_edit;    // its values as typed
    QList<bool> m_editChanged; // which of its cells were changed
    bool m_allowAddNew = false;
    bool m_allowDelete = false;
    bool m_allowUpdate = false;
    bool m_allowArrows = true;
    std::function<QString(const QList<QVariant>&)> m_rowCheck;
    QString m_sealed;
    std::function<QString(const QString&)> m_seal;
};

} // namespace qalor
