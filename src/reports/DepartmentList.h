#pragma once

#include "db/CDatabase.h"

#include <QList>
#include <QString>

namespace qalor {

struct Department
{
    int number = 0;
    QString name;
    float feeRatio = 0; // 管理费比率
};

// Every row of 部门表 in department-number order, for the range lists of the
// statistics and notice dialogs and the management fee of the notices. There
// is no limit on the number of departments or on their numbers.
class DepartmentList
{
public:
    DepartmentList() = default;
    explicit DepartmentList(QList<Department> departments) : m_departments(std::move(departments)) {}

    // Raises DbError when 部门表 cannot be read. db == nullptr: the shared connection.
    static DepartmentList load(CDatabase* db = nullptr);

    const QList<Department>& all() const { return m_departments; }
    bool isEmpty() const { return m_departments.isEmpty(); }
    // The name of the first department with this number; empty when none.
    QString nameOf(int number) const;
    // The management-fee ratio of the first department with this number; 0 when none.
    float ratioOf(int number) const;

private:
    const Department* find(int number) const;

    QList<Department> m_departments;
};

} // namespace qalor
