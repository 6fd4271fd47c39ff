#include "reports/StatisticsRun.h"

#include "db/CallTableStatements.h"
#include "db/SqlDialectText.h"
#include "db/WorkLock.h"
#include "format/Money.h"
#include "prompt/Prompt.h"
#include "reports/CountTypeMap.h"

#include <QHash>
#include <QMap>
#include <QSqlQuery>
#include <array>

namespace qalor {

namespace {

QString callDate(const QDate& date)
{
    return date.toString(QStringLiteral("yyMMdd"));
}

} // namespace

bool StatisticsRun::run(const QDate& start, const QDate& end, const QDateTime& now)
{
    const std::optional<CountTypeMap> map = CountTypeMap::load(m_db);
    if (!map)
        return false;
    QList<UnregisteredType> unregistered;
    const bool completed = runGuarded(QStringLiteral("未知错误,在月统计中."), [&] {
        m_unregistered.clear();
        const BulkWork bulk(m_db);
        CTransaction transaction(m_db);
        // From the first statement: a second run would otherwise empty tj
        // before this one's rows are committed and add its own beside them.
        if (m_waitForOthers)
            WorkLock::take(m_db, [] { Prompt::inform(WorkLock::waitingText()); });
        else
            WorkLock::take(m_db);
        fillWorkTables(start, end);
        distributeCharges(*map);
        fillDepartments();
        writeHistory(start, end, now);
        transaction.commit();
        unregistered = m_unregistered;
    });
    m_unregistered = unregistered;
    if (!completed)
        return false;
    if (!m_unregistered.isEmpty())
        Prompt::inform(unregisteredText(m_unregistered));
    Prompt::inform(QStringLiteral("统计完毕!"));
    return true;
}

void StatisticsRun::fillWorkTables(const QDate& start, const QDate& end)
{
    m_db.execute(QStringLiteral("delete  from tj"));
    // Only extensions whose department exists get a row.
    m_db.execute(QStringLiteral(
        "insert into tj SELECT 用户信息表.电话号码, 用户信息表.用户名, 用户信息表.月租费, 用户信息表.是否宿舍电话, "
        "用户信息表.部门编号, 部门表.部门名,0 as 市话, 0 AS 本地网, 0 AS 长途, 0 AS 信息台等  FROM 部门表 RIGHT "
        "JOIN 用户信息表 ON 部门表.部门编号 = 用户信息表.部门编号 WHERE ((用户信息表.部门编号=部门表.部门编号))"));
    emptyWorkTable(m_db, QStringLiteral("HF"));
    // A call stored twice is counted once.
    copyDistinctCalls(m_db, QStringLiteral("HF"), QStringLiteral("日期>=? And 日期<=?"),
                      {callDate(start), callDate(end)});
    const SqlDialect dialect = m_db.dialect();
    m_db.execute(QStringLiteral("DELETE  FROM 临时统计表"));
    // Each call counts with the cents its bill line shows; the sums are whole
    // numbers, the same on every back end and in every run.
    m_db.execute(QStringLiteral("INSERT INTO 临时统计表 SELECT 主叫号,统计类型,SUM(") +
                 centsOf(dialect, QStringLiteral("通话费")) + QLatin1Char('+') +
                 centsOf(dialect, QStringLiteral("附加费")) +
                 QStringLiteral(")/100.0 AS 话费  FROM HF  GROUP BY 主叫号,统计类型 ORDER BY 主叫号,统计类型"));
    // Callers that sort before the digit 0 (empty ones among them) are not counted.
    m_db.execute(QStringLiteral("delete from 临时统计表 WHERE  主叫号<'0'"));
}

void StatisticsRun::distributeCharges(const CountTypeMap& map)
{
    const QStringList& columns = CountTypeMap::chargeColumns();
    for (int column : map.usedColumns())
        m_db.execute(QStringLiteral("UPDATE tj SET ") + columns[column] + QStringLiteral(" = 0.00"));

    // Types that name the same column add up.
    QMap<QString, ChargeRow> charges;
    QMap<int, Money> unregistered;
    QSqlQuery sums = m_db.prepare(QStringLiteral("SELECT 主叫号,统计类型,费用 FROM 临时统计表"));
    CDatabase::exec(sums);
    while (sums.next()) {
        const QString caller = sums.value(0).toString();
        const int type = sums.value(1).toInt();
        const Money amount = Money::fromStored(sums.value(2).toDouble());
        const int column = map.columnOf(type);
        if (column < 0) {
            unregistered[type] += amount;
            continue;
        }
        auto found = charges.find(caller);
        if (found == charges.end())
            found = charges.insert(caller, {});
        (*found)[column] += amount;
    }

    writeCharges(charges);

    for (auto it = unregistered.cbegin(); it != unregistered.cend(); ++it)
        m_unregistered.append({it.key(), 0, it.value()});
    if (!m_unregistered.isEmpty())
        countUnregisteredCalls();
}

void StatisticsRun::writeCharges(const QMap<QString, ChargeRow>& charges)
{
    // Up to 200 extensions a statement: on a server each statement costs a
    // round trip. The columns of a VALUES list are column1, column2, ... on
    // both back ends.
    constexpr int RowsPerStatement = 200;
    const QStringList& columns = CountTypeMap::chargeColumns();
    QString row = QStringLiteral("(?");
    QStringList assignments;
    for (int column = 0; column < columns.size(); ++column) {
        row += QStringLiteral(", CAST(? AS DOUBLE PRECISION)");
        assignments << columns[column] + QStringLiteral("=v.column") + QString::number(column + 2);
    }
    row += QLatin1Char(')');
    for (auto it = charges.cbegin(); it != charges.cend();) {
        const int rows = int(std::min<qsizetype>(RowsPerStatement, std::distance(it, charges.cend())));
        QSqlQuery update = m_db.prepare(
            QStringLiteral("UPDATE tj SET ") + assignments.join(QStringLiteral(", ")) +
            QStringLiteral(" FROM (VALUES ") + QStringList(rows, row).join(QStringLiteral(", ")) +
            QStringLiteral(") v WHERE tj.电话号码=v.column1"));
        for (int i = 0; i < rows; ++i, ++it) {
            update.addBindValue(it.key());
            for (const Money& amount : *it)
                update.addBindValue(amount.toDouble());
        }
        CDatabase::exec(update);
    }
}

void StatisticsRun::countUnregisteredCalls()
{
    QSqlQuery counts = m_db.prepare(
        QStringLiteral("SELECT 统计类型, COUNT(*) FROM HF WHERE 主叫号>='0' GROUP BY 统计类型"));
    CDatabase::exec(counts);
    QHash<int, int> calls;
    while (counts.next())
        calls.insert(counts.value(0).toInt(), counts.value(1).toInt());
    for (UnregisteredType& type : m_unregistered)
        type.calls = calls.value(type.type);
}

void StatisticsRun::fillDepartments()
{
    m_db.execute(QStringLiteral("DELETE FROM bmtj"));
    // A department's line is the sum of its extensions' lines as printed.
    const auto sum = [this](const char* column) {
        return QStringLiteral("Sum(") + centsOf(m_db.dialect(), QStringLiteral("TJ.") + QString::fromUtf8(column)) +
               QStringLiteral(")/100.0 AS ") + QString::fromUtf8(column);
    };
    m_db.execute(QStringLiteral("INSERT INTO BMTJ ( 部门编号, 部门名, 月租费, 市话, 本地网, 长途, 信息台等 )  SELECT "
                                "TJ.部门编号, TJ.部门名, ") +
                 QStringList{sum("月租费"), sum("市话"), sum("本地网"), sum("长途"), sum("信息台等")}.join(
                     QStringLiteral(", ")) +
                 QStringLiteral(" FROM TJ GROUP BY TJ.部门编号, TJ.部门名 ORDER BY TJ.部门编号"));
}

void StatisticsRun::writeHistory(const QDate& start, const QDate& end, const QDateTime& now)
{
    QSqlQuery insert = m_db.prepare(
        QStringLiteral("INSERT INTO 统计历史记录表 (统计起始日期, 统计结束日期, 统计操作日期) VALUES (?, ?, ?)"));
    insert.bindValue(0, start.toString(QStringLiteral("yyyyMMdd")));
    insert.bindValue(1, end.toString(QStringLiteral("yyyyMMdd")));
    insert.bindValue(2, now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    CDatabase::exec(insert);
}

QString StatisticsRun::unregisteredText(const QList<UnregisteredType>& types)
{
    QString text = QStringLiteral("以下统计类型在统计类型表中没有登记,其话费没有计入统计结果:");
    for (const UnregisteredType& type : types)
        text += QStringLiteral("\n统计类型 %1: %2 次通话, 话费 %3")
                    .arg(type.type)
                    .arg(type.calls)
                    .arg(FormatMoney(type.amount));
    return text;
}

} // namespace qalor
