#include "gui/GridModel.h"

#include "db/CRecordSet.h"
#include "db/ColumnValue.h"
#include "db/SqlDialectText.h"
#include "format/Money.h"
#include "prompt/Prompt.h"

#include <QCollator>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <algorithm>
#include <new>

namespace qalor {

namespace {

const QString GridErrorText = QStringLiteral("Unknown Error In Data Grid!");

bool isNumeric(ColumnType type)
{
    return type != ColumnType::Text;
}

// Amounts of money show their cents; rates, ratios and other parameters
// every digit they hold, so that display never rounds what was typed.
QString cellText(const ColumnDef& column, const QVariant& value, int role)
{
    if (value.isNull())
        return {};
    if (column.money && role == Qt::DisplayRole)
        return FormatMoney(Money::nearest(value.toDouble()));
    return GridModel::exactText(column.type, value);
}

} // namespace

QString GridModel::exactText(ColumnType type, const QVariant& value)
{
    // The shortest forms that read back to the same number.
    switch (type) {
    case ColumnType::Single:
        return ShortestText(value.toFloat());
    case ColumnType::Double:
        return ShortestText(value.toDouble());
    default:
        return value.toString();
    }
}

GridModel::GridModel(QObject* parent, CDatabase* db) : QAbstractTableModel(parent), m_db(db) {}

CDatabase& GridModel::database() const
{
    return m_db ? *m_db : CDatabase::shared();
}

const ColumnDef& GridModel::columnDef(int column) const
{
    return m_source->table->column(m_source->columns.at(column));
}

void GridModel::setSealedColumn(const QString& column, std::function<QString(const QString&)> seal)
{
    beginResetModel();
    m_sealed = column;
    m_seal = std::move(seal);
    endResetModel();
}

bool GridModel::isSealed(int column) const
{
    return m_seal && m_source && column >= 0 && column < columnCount() &&
           columnDef(column).name.compare(m_sealed, Qt::CaseInsensitive) == 0;
}

void GridModel::setRecordSource(const QString& sql)
{
    m_sql = sql;
}

bool GridModel::refresh()
{
    if (!writeRow())
        return false;
    return load();
}

GridModel::Row GridModel::emptyRow() const
{
    Row row;
    if (m_source)
        row.values = QList<QVariant>(m_source->columns.size());
    return row;
}

void GridModel::collate()
{
    if (m_collated.isEmpty() || !m_source)
        return;
    int column = -1;
    for (int i = 0; i < int(m_source->columns.size()); ++i)
        if (columnDef(i).name.compare(m_collated, Qt::CaseInsensitive) == 0)
            column = i;
    if (column < 0)
        return;
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Row& a, const Row& b) {
        return collator.compare(a.values.at(column).toString(), b.values.at(column).toString()) < 0;
    });
}

bool GridModel::load()
{
    beginResetModel();
    m_rows.clear();
    m_source = RecordSource::parse(m_sql);
    m_pending = emptyRow();
    m_pendingDirty = false;
    m_editRow = -1;
    if (!m_source) {
        endResetModel();
        Prompt::inform(QStringLiteral("无法显示记录源: ") + m_sql);
        return false;
    }

    QString failure;
    try {
        CDatabase& db = database();
        db.ensureOpen();
        QSqlQuery query(db.handle());
        query.setForwardOnly(true);
        if (!query.exec(m_source->statement(db.dialect())))
            throw DbError::fromSql(query.lastError());
        const int n = int(m_source->columns.size());
        QList<ColumnType> types;
        for (int i = 0; i < n; ++i)
            types << columnDef(i).type;
        while (query.next()) {
            Row row;
            row.values.reserve(n);
            for (int i = 0; i < n; ++i)
                row.values.append(CRecordSet::normalize(types.at(i), query.value(i)));
            row.rowId = query.value(n);
            m_rows.append(std::move(row));
        }
        if (query.lastError().isValid())
            throw DbError::fromSql(query.lastError());
    } catch (const DbError& error) {
        failure = error.message();
    } catch (const std::bad_alloc&) {
        failure = Prompt::outOfMemoryText();
    }
    if (!failure.isEmpty())
        m_rows.clear();
    collate();
    endResetModel();
    if (!failure.isEmpty()) {
        Prompt::inform(failure);
        return false;
    }
    return true;
}

void GridModel::setAllowAddNew(bool on)
{
    if (on == m_allowAddNew)
        return;
    if (!m_source) { // no rows shown yet: the next refresh adds the empty row
        m_allowAddNew = on;
        return;
    }
    if (!on) {
        if (m_pendingDirty && !insertPending())
            return; // the typed row stays for correction
        const int row = recordCount();
        beginRemoveRows({}, row, row);
        m_allowAddNew = false;
        m_pending = emptyRow();
        m_pendingDirty = false;
        endRemoveRows();
    } else {
        const int row = recordCount();
        beginInsertRows({}, row, row);
        m_allowAddNew = true;
        m_pending = emptyRow();
        endInsertRows();
    }
}

QVariant GridModel::value(int row, int column) const
{
    if (row == m_editRow && row >= 0)
        return m_edit.value(column);
    if (row >= 0 && row < recordCount())
        return m_rows.at(row).values.value(column);
    if (isNewRow(row))
        return m_pending.values.value(column);
    return {};
}

int GridModel::unwrittenRow() const
{
    if (m_editRow >= 0)
        return m_editRow;
    if (m_pendingDirty && m_allowAddNew)
        return recordCount();
    return -1;
}

bool GridModel::writeRow()
{
    if (!m_source)
        return true;
    if (m_rowCheck && (m_editRow >= 0 || m_pendingDirty)) {
        const QString refusal = m_rowCheck(m_editRow >= 0 ? m_edit : m_pending.values);
        if (!refusal.isEmpty()) {
            Prompt::inform(refusal);
            return false;
        }
    }
    if (m_editRow >= 0)
        return updateRow();
    if (m_pendingDirty)
        return insertPending();
    return true;
}

void GridModel::abandonRow()
{
    const int row = unwrittenRow();
    m_editRow = -1;
    m_edit.clear();
    m_editChanged.clear();
    if (m_pendingDirty) {
        m_pending = emptyRow();
        m_pendingDirty = false;
    }
    if (row >= 0)
        emitRowChanged(row);
}

void GridModel::emitRowChanged(int row)
{
    if (row >= 0 && row < rowCount() && columnCount() > 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return recordCount() + (m_allowAddNew && m_source ? 1 : 0);
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_source)
        return 0;
    return int(m_source->columns.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_source)
        return {};
    const ColumnDef& column = columnDef(index.column());
    const ColumnType type = column.type;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (isSealed(index.column()))
            return role == Qt::DisplayRole && !value(index.row(), index.column()).toString().isEmpty()
                       ? sealedMask()
                       : QString();
        return cellText(column, value(index.row(), index.column()), role);
    case Qt::TextAlignmentRole:
        return isNumeric(type) ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || !m_source)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const bool writable = isNewRow(index.row()) ? m_allowAddNew : m_allowUpdate;
    if (writable && !columnDef(index.column()).autoNumber)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_source)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < columnCount() ? columnDef(section).name : QVariant();
    if (isNewRow(section))
        return QStringLiteral("*");
    return section == unwrittenRow() ? QStringLiteral("✎") : QString::number(section + 1);
}

bool GridModel::setData(const QModelIndex& index, const QVariant& input, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const int row = index.row();
    const int column = index.column();
    const ColumnDef& def = columnDef(column);
    QVariant given = input;
    if (isSealed(column)) {
        if (input.toString().isEmpty())
            return true; // nothing typed: the value stays
        QString sealed;
        if (!runGuarded(GridErrorText, [&] { sealed = m_seal(input.toString()); }))
            return false;
        given = sealed;
    }
    const std::optional<QVariant> typed = ColumnValue::parse(def.type, given);
    if (!typed) {
        Prompt::inform(ColumnValue::refusal(def));
        return false;
    }
    // Another row still unwritten is written before this one is touched.
    const int open = unwrittenRow();
    if (open >= 0 && open != row && !writeRow())
        return false;

    if (isNewRow(row)) {
        m_pending.values[column] = *typed;
        m_pendingDirty = true;
    } else {
        if (m_editRow != row) {
            m_editRow = row;
            m_edit = m_rows.at(row).values;
            m_editChanged = QList<bool>(m_edit.size(), false);
        }
        m_edit[column] = CRecordSet::normalize(def.type, *typed);
        m_editChanged[column] = true;
    }
    emit dataChanged(index, index);
    emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

bool GridModel::updateRow()
{
    const int row = m_editRow;
    QList<int> changed;
    for (int i = 0; i < m_editChanged.size(); ++i)
        if (m_editChanged.at(i) && m_edit.at(i) != m_rows.at(row).values.at(i))
            changed << i;
    if (changed.isEmpty()) {
        m_editRow = -1;
        emit headerDataChanged(Qt::Vertical, row, row);
        return true;
    }
    bool rowGone = false;
    const bool written = runGuarded(GridErrorText, [&] {
        CDatabase& db = database();
        const SqlDialect dialect = db.dialect();
        QStringList sets;
        for (int column : changed)
            sets << columnDef(column).name + QStringLiteral("=?");
        QString sql = QStringLiteral("UPDATE ") + m_source->table->name + QStringLiteral(" SET ") +
                      sets.join(QLatin1Char(',')) + QStringLiteral(" WHERE ") + rowIdCondition(dialect);
        // A PostgreSQL row moves on every update; keep its new address.
        if (dialect == SqlDialect::PostgreSQL)
            sql += QStringLiteral(" RETURNING ") + rowIdColumn(dialect);
        QSqlQuery query = db.prepare(sql);
        int position = 0;
        for (int column : changed)
            query.bindValue(position++, CRecordSet::bindable(columnDef(column).type, m_edit.at(column)));
        query.bindValue(position, m_rows.at(row).rowId.toString());
        CDatabase::exec(query);
        if (dialect == SqlDialect::PostgreSQL) {
            rowGone = !query.next();
            if (!rowGone)
                m_rows[row].rowId = query.value(0);
        } else {
            rowGone = query.numRowsAffected() == 0;
        }
    });
    if (!written)
        return false; // the typed values stay for correction
    if (rowGone) {
        // Deleted elsewhere: show what the table holds now.
        load();
        return false;
    }
    m_rows[row].values = m_edit;
    m_editRow = -1;
    m_edit.clear();
    m_editChanged.clear();
    emitRowChanged(row);
    emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

GridModel::Row GridModel::fetchRow(const QVariant& rowId)
{
    CDatabase& db = database();
    const SqlDialect dialect = db.dialect();
    QStringList names;
    for (int i = 0; i < columnCount(); ++i)
        names << columnDef(i).name;
    names << rowIdColumn(dialect);
    QSqlQuery query =
        db.prepare(QStringLiteral("SELECT ") + names.join(QLatin1Char(',')) + QStringLiteral(" FROM ") +
                   m_source->table->name + QStringLiteral(" WHERE ") + rowIdCondition(dialect));
    query.bindValue(0, rowId.toString());
    CDatabase::exec(query);
    if (!query.next())
        throw DbError(QStringLiteral("新增的行已不在表中"));
    Row row;
    for (int i = 0; i < columnCount(); ++i)
        row.values.append(CRecordSet::normalize(columnDef(i).type, query.value(i)));
    row.rowId = query.value(columnCount());
    return row;
}

bool GridModel::insertPending()
{
    return runGuarded(GridErrorText, [&] {
        CDatabase& db = database();
        const SqlDialect dialect = db.dialect();
        QStringList names, marks;
        QList<int> written;
        for (int i = 0; i < columnCount(); ++i) {
            if (columnDef(i).autoNumber)
                continue;
            names << columnDef(i).name;
            marks << QStringLiteral("?");
            written << i;
        }
        QString sql = QStringLiteral("INSERT INTO ") + m_source->table->name + QStringLiteral(" (") +
                      names.join(QLatin1Char(',')) + QStringLiteral(") VALUES (") +
                      marks.join(QLatin1Char(',')) + QLatin1Char(')');
        if (dialect == SqlDialect::PostgreSQL)
            sql += QStringLiteral(" RETURNING ") + rowIdColumn(dialect);

        CTransaction transaction(db);
        QSqlQuery insert = db.prepare(sql);
        for (int position = 0; position < written.size(); ++position) {
            const int column = written.at(position);
            const ColumnType type = columnDef(column).type;
            const QVariant typed = m_pending.values.at(column).isNull()
                                       ? CRecordSet::normalize(type, QVariant())
                                       : m_pending.values.at(column);
            insert.bindValue(position, CRecordSet::bindable(type, typed));
        }
        CDatabase::exec(insert);
        QVariant rowId;
        if (dialect == SqlDialect::PostgreSQL) {
            if (insert.next())
                rowId = insert.value(0);
        } else {
            QSqlQuery last = db.prepare(QStringLiteral("SELECT last_insert_rowid()"));
            CDatabase::exec(last);
            if (last.next())
                rowId = last.value(0);
        }
        const Row added = fetchRow(rowId);
        transaction.commit();

        const int row = recordCount();
        beginInsertRows({}, row + 1, row + 1);
        m_rows.append(added);
        m_pending = emptyRow();
        m_pendingDirty = false;
        endInsertRows();
        emitRowChanged(row);
        emit headerDataChanged(Qt::Vertical, row, row + 1);
    });
}

bool GridModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || !m_allowDelete || row < 0 || count <= 0 || row + count > rowCount())
        return false;
    if (isNewRow(row + count - 1) && m_pendingDirty) {
        m_pending = emptyRow();
        m_pendingDirty = false;
        emitRowChanged(recordCount());
    }
    QList<int> rows;
    for (int r = row; r < std::min(row + count, recordCount()); ++r)
        rows << r;
    return deleteRecords(rows);
}

bool GridModel::deleteRecords(QList<int> rows)
{
    if (!m_allowDelete || !m_source)
        return false;
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.removeIf([this](int row) { return row < 0 || row >= recordCount(); });
    if (rows.isEmpty())
        return true;
    // All of them or none.
    const bool deleted = runGuarded(GridErrorText, [&] {
        CDatabase& db = database();
        CTransaction transaction(db);
        QSqlQuery remove = db.prepare(QStringLiteral("DELETE FROM ") + m_source->table->name +
                                      QStringLiteral(" WHERE ") + rowIdCondition(db.dialect()));
        for (int row : rows) {
            remove.bindValue(0, m_rows.at(row).rowId.toString());
            CDatabase::exec(remove);
        }
        transaction.commit();
    });
    if (!deleted)
        return false;
    // From the bottom up, so that earlier removals do not shift later rows.
    // Changes typed into a deleted row go with it; a later row moves up.
    for (int row : rows) {
        if (m_editRow == row)
            m_editRow = -1;
        else if (m_editRow > row)
            --m_editRow;
        beginRemoveRows({}, row, row);
        m_rows.removeAt(row);
        endRemoveRows();
    }
    return true;
}

} // namespace qalor
