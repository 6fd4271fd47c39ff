#pragma once

// Rows for the tests of the statistics run, the reports and the notices.

#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "db/CRecordSet.h"
#include "format/Money.h"
#include "db/TableRegistry.h"

#include <QSqlQuery>
#include <QStringList>

namespace qalor::test {

inline void addDepartment(const TestDatabase& db, int number, const QString& name, double ratio = 0)
{
    db.execute(QStringLiteral("INSERT INTO 部门表 VALUES ('%1', %2, %3)").arg(name).arg(number).arg(ratio));
}

inline void addUser(const TestDatabase& db, const QString& phone, const QString& name, int department,
                    double rent = 0)
{
    db.execute(QStringLiteral("INSERT INTO 用户信息表 VALUES ('%1','%2','A1','2','1号楼','20240101',0,0,%3,%4,'')")
                   .arg(phone, name)
                   .arg(rent)
                   .arg(department));
}

// One priced call: 服务费 0.3 on every call, which the statistics leave out.
inline void addCall(const TestDatabase& db, const QString& caller, const QString& date, int type, double charge,
                    double surcharge = 0)
{
    db.execute(QStringLiteral("INSERT INTO 话费表 VALUES ('%1','02087654321','%2','101010',60,0.5,1,%3,0.3,%4,"
                              "'广州',%5)")
                   .arg(caller, date)
                   .arg(charge)
                   .arg(surcharge)
                   .arg(type));
}

inline void addExtensionTotals(const TestDatabase& db, const QString& phone, const QString& name,
                               int department, const QString& departmentName, double rent, double local,
                               double localNetwork, double longDistance, double information)
{
    db.execute(QStringLiteral("INSERT INTO tj (电话号码,用户名,月租费,是否宿舍电话,部门编号,部门名,市话,本地网,长途,"
                              "信息台等) VALUES ('%1','%2',%3,0,%4,'%5',%6,%7,%8,%9)")
                   .arg(phone, name)
                   .arg(rent)
                   .arg(department)
                   .arg(departmentName)
                   .arg(local)
                   .arg(localNetwork)
                   .arg(longDistance)
                   .arg(information));
}

inline void addDepartmentTotals(const TestDatabase& db, int department, const QString& name, double rent,
                                double local, double localNetwork, double longDistance, double information)
{
    db.execute(QStringLiteral("INSERT INTO BMTJ VALUES (%1,'%2',%3,%4,%5,%6,%7)")
                   .arg(department)
                   .arg(name)
                   .arg(rent)
                   .arg(local)
                   .arg(localNetwork)
                   .arg(longDistance)
                   .arg(information));
}

// Every row of a table as "a|b|c", numbers with two decimals (money as the
// reports show it, from the stored number), sorted: two contents compare as
// multisets on both back ends.
inline QStringList tableRows(const QString& tableName)
{
    const TableDef* table = TableRegistry::find(tableName);
    CDatabase& db = CDatabase::shared();
    QSqlQuery query = db.prepare(QStringLiteral("SELECT * FROM ") + table->name);
    CDatabase::exec(query);
    QStringList rows;
    while (query.next()) {
        QStringList cells;
        for (int i = 0; i < table->columnCount(); ++i) {
            const ColumnType type = table->column(i).type;
            const QVariant value = CRecordSet::normalize(type, query.value(i));
            if (type == ColumnType::Single || type == ColumnType::Double)
                cells << Money::nearest(value.toDouble()).text();
            else if (type == ColumnType::Text)
                cells << value.toString();
            else
                cells << QString::number(value.toInt());
        }
        rows << cells.join(QLatin1Char('|'));
    }
    rows.sort();
    return rows;
}

} // namespace qalor::test
