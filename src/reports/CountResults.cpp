#include "reports/CountResults.h"

#include "db/CRecordSet.h"
#include "db/sets/CCountHistorySet.h"

#include <QSqlQuery>
#include <QStringList>

namespace qalor {

namespace {

QVariant cell(const QSqlQuery& query, int column, ColumnType type)
{
    return CRecordSet::normalize(type, query.value(column));
}

// A money column read as the type it is stored with: a single must be read
// as a single (psqlODBC writes it as its shortest text, "12.345", which is
// not the double nearest to the stored number).
Money money(const QSqlQuery& query, int column, ColumnType stored = ColumnType::Double)
{
    return Money::fromStored(cell(query, column, stored).toDouble());
}

QString text(const QSqlQuery& query, int column)
{
    return cell(query, column, ColumnType::Text).toString();
}

int integer(const QSqlQuery& query, int column)
{
    return cell(query, column, ColumnType::Int32).toInt();
}

// 月租费, 市话, 本地网, 长途 and 信息台等 from five consecutive columns; tj
// keeps 月租费 in single precision like 用户信息表, BMTJ its sum in double.
void readCharges(const QSqlQuery& query, int first, ChargeTotals& row, ColumnType rentType)
{
    row.rent = money(query, first, rentType);
    row.local = money(query, first + 1);
    row.localNetwork = money(query, first + 2);
    row.longDistance = money(query, first + 3);
    row.information = money(query, first + 4);
}

// The WHERE part of the range conditions with their values in order.
struct Condition
{
    QStringList parts;
    QVariantList values;

    void add(const QString& part, const QVariant& first, const QVariant& last)
    {
        parts << part;
        values << first << last;
    }
    QString text() const
    {
        return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
    }
    void bind(QSqlQuery& query) const
    {
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values[i]);
    }
};

} // namespace

QList<ExtensionTotals> CountResults::extensions(const std::optional<DepartmentRange>& departments,
                                                const std::optional<ExtensionRange>& extensions)
{
    Condition condition;
    if (extensions)
        condition.add(QStringLiteral("电话号码>=? AND 电话号码<=?"), extensions->first, extensions->last);
    if (departments)
        condition.add(QStringLiteral("部门编号>=? AND 部门编号<=?"), departments->first, departments->last);
    QSqlQuery query = m_db.prepare(QStringLiteral("SELECT 电话号码,用户名,是否宿舍电话,部门编号,部门名,"
                                                  "月租费,市话,本地网,长途,信息台等 FROM tj") +
                                   condition.text() + QStringLiteral(" ORDER BY 部门编号,电话号码"));
    condition.bind(query);
    CDatabase::exec(query);
    QList<ExtensionTotals> rows;
    while (query.next()) {
        ExtensionTotals row;
        row.phone = text(query, 0);
        row.userName = text(query, 1);
        row.dormitory = integer(query, 2) != 0;
        row.department = integer(query, 3);
        row.departmentName = text(query, 4);
        readCharges(query, 5, row, ColumnType::Single);
        rows.append(row);
    }
    return rows;
}

QList<DepartmentTotals> CountResults::departments(const std::optional<DepartmentRange>& range)
{
    Condition condition;
    if (range)
        condition.add(QStringLiteral("部门编号>=? AND 部门编号<=?"), range->first, range->last);
    QSqlQuery query = m_db.prepare(
        QStringLiteral("SELECT 部门编号,部门名,月租费,市话,本地网,长途,信息台等 FROM BMTJ") + condition.text() +
        QStringLiteral(" ORDER BY 部门编号"));
    condition.bind(query);
    CDatabase::exec(query);
    QList<DepartmentTotals> rows;
    while (query.next()) {
        DepartmentTotals row;
        row.department = integer(query, 0);
        row.name = text(query, 1);
        readCharges(query, 2, row, ColumnType::Double);
        rows.append(row);
    }
    return rows;
}

int CountResults::deleteUsersWithoutCharges()
{
    return m_db.executeCount(QStringLiteral("DELETE FROM TJ WHERE (市话+本地网+长途+信息台等+月租费=0)"));
}

std::optional<CountRun> CountResults::lastRun()
{
    CCountHistorySet history(&m_db);
    history.setSort(QStringLiteral("统计操作日期"));
    history.open();
    if (history.recordCount() == 0)
        return std::nullopt;
    // The set is a snapshot: its last row is the latest run.
    for (int i = 1; i < history.recordCount(); ++i)
        history.moveNext();
    CountRun run{history.text(CCountHistorySet::StartDate), history.text(CCountHistorySet::EndDate),
                 history.text(CCountHistorySet::RunDate), history.recordCount()};
    if (run.runTime.isEmpty())
        return std::nullopt;
    return run;
}

} // namespace qalor
