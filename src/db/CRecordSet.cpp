#include "db/CRecordSet.h"

#include "db/SqlDialectText.h"

#include <QSqlError>
#include <QSqlRecord>
#include <stdexcept>

namespace qalor {

namespace {
constexpr int MaxTextLength = 255;
}

CRecordSet::CRecordSet(const TableDef& table, CDatabase* db) : m_table(table), m_db(db)
{
    for (int i = 0; i < table.columnCount(); ++i)
        m_bindings.append(i);
}

CRecordSet::CRecordSet(const TableDef& table, const QList<QString>& bindingOrder, CDatabase* db)
    : m_table(table), m_db(db)
{
    for (const QString& name : bindingOrder) {
        const int index = table.indexOf(name);
        if (index < 0)
            throw std::logic_error("binding names a column the table does not have");
        m_bindings.append(index);
    }
}

CRecordSet::~CRecordSet() = default;

CDatabase& CRecordSet::database() const
{
    return m_db ? *m_db : CDatabase::shared();
}

const ColumnDef& CRecordSet::columnDef(int column) const
{
    return m_table.column(m_bindings.at(column));
}

QString CRecordSet::selectStatement() const
{
    QStringList names;
    for (int index : m_bindings)
        names << m_table.column(index).name;
    QString sql = QStringLiteral("SELECT ") + names.join(QLatin1Char(',')) + QLatin1Char(',') +
                  rowIdColumn(database().dialect()) + QStringLiteral(" FROM ") + m_table.name;
    if (!m_filter.isEmpty())
        sql += QStringLiteral(" WHERE ") + m_filter;
    if (!m_sort.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + m_sort;
    return sql;
}

void CRecordSet::open()
{
    close();
    CDatabase& db = database();
    db.ensureOpen();
    QSqlQuery query(db.handle());
    query.setForwardOnly(true);
    bool ran = false;
    if (m_filterValues.isEmpty()) {
        ran = query.exec(selectStatement());
    } else if (query.prepare(selectStatement())) {
        for (const QVariant& value : m_filterValues)
            query.addBindValue(value);
        ran = query.exec();
    }
    if (!ran)
        throw DbError::fromSql(query.lastError());
    const int n = columnCount();
    while (query.next()) {
        QList<QVariant> row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.append(normalize(columnDef(i).type, query.value(i)));
        m_rows.append(row);
        m_rowIds.append(query.value(n));
    }
    if (query.lastError().isValid())
        throw DbError::fromSql(query.lastError());
    m_open = true;
    m_current = 0;
}

void CRecordSet::close()
{
    m_rows.clear();
    m_rowIds.clear();
    m_current = 0;
    m_mode = Mode::Browse;
    m_open = false;
}

void CRecordSet::moveNext()
{
    if (m_current < m_rows.size())
        ++m_current;
}

QList<QVariant> CRecordSet::emptyRow() const
{
    QList<QVariant> row;
    for (int i = 0; i < columnCount(); ++i)
        row.append(normalize(columnDef(i).type, QVariant()));
    return row;
}

void CRecordSet::addNew()
{
    if (!m_open)
        throw std::logic_error("addNew on a closed record set");
    m_buffer = emptyRow();
    m_mode = Mode::Adding;
}

void CRecordSet::edit()
{
    if (!m_open || isEOF())
        throw std::logic_error("edit without a current row");
    m_buffer = m_rows.at(m_current);
    m_mode = Mode::Editing;
}

void CRecordSet::cancelUpdate()
{
    m_mode = Mode::Browse;
}

QVariant CRecordSet::value(int column) const
{
    if (m_mode != Mode::Browse)
        return m_buffer.at(column);
    if (isEOF())
        return normalize(columnDef(column).type, QVariant());
    return m_rows.at(m_current).at(column);
}

void CRecordSet::setValue(int column, const QVariant& value)
{
    if (m_mode == Mode::Browse)
        throw std::logic_error("setValue outside addNew/edit");
    m_buffer[column] = normalize(columnDef(column).type, value);
}

void CRecordSet::update()
{
    switch (m_mode) {
    case Mode::Adding:
        insertRow();
        break;
    case Mode::Editing:
        updateRow();
        m_rows[m_current] = m_buffer;
        break;
    case Mode::Browse:
        throw std::logic_error("update without addNew/edit");
    }
    m_mode = Mode::Browse;
}

QVariant CRecordSet::bindable(ColumnType type, const QVariant& value)
{
    switch (type) {
    case ColumnType::Text: {
        // A text the system writes is never NULL: an empty text stays empty,
        // so that "=''" and the reports find it.
        const QString text = value.toString().left(MaxTextLength);
        return text.isNull() ? QStringLiteral("") : text;
    }
    case ColumnType::Single:
    case ColumnType::Double:
        return value.toDouble();
    default:
        return value.toInt();
    }
}

void CRecordSet::insertRow()
{
    if (m_insert && m_insertOpening != database().openings())
        m_insert.reset(); // prepared on a connection that has since been closed
    if (!m_insert) {
        QStringList names, marks;
        for (int i = 0; i < columnCount(); ++i) {
            if (columnDef(i).autoNumber)
                continue;
            names << columnDef(i).name;
            marks << QStringLiteral("?");
        }
        m_insert = database().prepare(QStringLiteral("INSERT INTO ") + m_table.name + QStringLiteral(" (") +
                                      names.join(QLatin1Char(',')) + QStringLiteral(") VALUES (") +
                                      marks.join(QLatin1Char(',')) + QLatin1Char(')'));
        m_insertOpening = database().openings();
    }
    int position = 0;
    for (int i = 0; i < columnCount(); ++i)
        if (!columnDef(i).autoNumber)
            m_insert->bindValue(position++, bindable(columnDef(i).type, m_buffer.at(i)));
    try {
        CDatabase::exec(*m_insert);
    } catch (const DbError&) {
        m_insert.reset(); // the connection may have gone; prepare again next time
        m_mode = Mode::Browse;
        throw;
    }
}

void CRecordSet::updateRow()
{
    QStringList sets;
    for (int i = 0; i < columnCount(); ++i)
        if (!columnDef(i).autoNumber)
            sets << columnDef(i).name + QStringLiteral("=?");
    const SqlDialect dialect = database().dialect();
    QString sql = QStringLiteral("UPDATE ") + m_table.name + QStringLiteral(" SET ") +
                  sets.join(QLatin1Char(',')) + QStringLiteral(" WHERE ") + rowIdCondition(dialect);
    // A PostgreSQL row moves on every update: keep its new address so that
    // the next edit of the same row still finds it.
    if (dialect == SqlDialect::PostgreSQL)
        sql += QStringLiteral(" RETURNING ") + rowIdColumn(dialect);
    QSqlQuery query = database().prepare(sql);
    int position = 0;
    for (int i = 0; i < columnCount(); ++i)
        if (!columnDef(i).autoNumber)
            query.bindValue(position++, bindable(columnDef(i).type, m_buffer.at(i)));
    query.bindValue(position, m_rowIds.at(m_current).toString());
    bool found = false;
    try {
        CDatabase::exec(query);
        if (dialect == SqlDialect::PostgreSQL) {
            found = query.next();
            if (found)
                m_rowIds[m_current] = query.value(0);
        } else {
            found = query.numRowsAffected() > 0;
        }
    } catch (const DbError&) {
        m_mode = Mode::Browse;
        throw;
    }
    if (!found) {
        // Deleted since the snapshot was taken: the change went nowhere.
        m_mode = Mode::Browse;
        throw DbError(QStringLiteral("要修改的记录已不在表中"));
    }
}

QVariant CRecordSet::normalize(ColumnType type, const QVariant& raw)
{
    // psqlODBC hands REAL columns over as text ("0.1"); toDouble() reads both.
    switch (type) {
    case ColumnType::Text:
        return raw.isNull() ? QString() : raw.toString();
    case ColumnType::Single:
        // Text is read straight into a single: "4.505" is the stored single
        // 4.50500011, while the double nearest to it lies below the half cent.
        if (raw.typeId() == QMetaType::QString)
            return raw.toString().toFloat();
        return float(raw.toDouble());
    case ColumnType::Double:
        return raw.toDouble();
    case ColumnType::Bit:
        return raw.toDouble() != 0 ? 1 : 0;
    case ColumnType::Int16:
    case ColumnType::Int32:
        return int(raw.toDouble());
    }
    return raw;
}

} // namespace qalor
