#pragma once

// GridModel: the rows of one SELECT over one table, editable in place.
//
//   GridModel model;                       // or GridModel model(nullptr, &myDb)
//   model.setRecordSource("SELECT * FROM 管理员口令表");
//   model.refresh();                       // runs it; false (and a message) on failure
//   model.setAllowUpdate(true);            // changed cells are written at once
//   model.setAllowAddNew(true);            // an empty row at the end; submit() inserts it
//   model.setAllowDelete(true);            // removeRows() deletes from the table
//
// Headings and column types come from the table definitions, so the model works
// with drivers that garble non-ASCII column names. Every write goes to the
// table by row identifier with bound values; a failed write shows the driver's
// text through Prompt and reloads the rows.

#include "db/CDatabase.h"
#include "editors/RecordSource.h"

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

    // The statement that the next refresh() runs.
    void setRecordSource(const QString& sql);
    const QString& recordSource() const { return m_sql; }
    // Runs the record source again (after writing a pending new row). Returns
    // false, with the reason shown, when it cannot be run.
    bool refresh();

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
    // Rows fetched from the table (without the empty row for adding).
    int recordCount() const { return int(m_rows.size()); }
    bool isNewRow(int row) const { return m_allowAddNew && row == recordCount(); }
    // A cell as its column type holds it (QString, int, float or double).
    QVariant value(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    // Inserts the new row typed at the end, if any. False when it failed.
    bool submit() override;
    // Forgets the new row typed at the end.
    void revert() override;

private:
    struct Row
    {
        QList<QVariant> values;
        QVariant rowId;
    };

    CDatabase& database() const;
    const ColumnDef& columnDef(int column) const;
    bool load();
    // Runs one write; on failure shows why and reloads the rows.
    bool writeOrReload(const std::function<void()>& write);
    Row emptyRow() const;
    bool updateCell(int row, int column, const QVariant& value);
    bool insertPending();
    Row fetchRow(const QVariant& rowId);

    CDatabase* m_db;
    QString m_sql;
    std::optional<RecordSource> m_source;
    QList<Row> m_rows;
    Row m_pending;
    bool m_pendingDirty = false;
    bool m_allowAddNew = false;
    bool m_allowDelete = false;
    bool m_allowUpdate = false;
    bool m_allowArrows = true;
};

} // namespace qalor
