#pragma once

#include <QList>
#include <QString>

namespace qalor {

// The record source of the extension editor: the base statement over
// 用户信息表, a department condition and an order, and the department list
// that chooses the condition.
class ExtensionSource
{
public:
    enum class Order { ByPhone, ByName, ByDepartment };

    struct Department
    {
        int number = 0;
        QString text; // "<number>     <部门名>"
    };

    // "SELECT * FROM 用户信息表 " + condition + order.
    QString recordSource() const;
    // 0 (the first list entry) shows every department.
    void selectDepartment(int number);
    void setOrder(Order order);
    // The column the grid puts in pinyin order after reading ("用户名" when
    // sorting by name), empty otherwise.
    QString collatedColumn() const { return m_collated; }

    // "0     所有部门" first, then 部门表 by 部门编号; at most 200 entries in
    // all. When the table cannot be read, "打开部门表失败!" is shown and the
    // entries read so far are returned.
    static QList<Department> departments();

    static constexpr int MaxDepartments = 200;

private:
    QString m_condition;
    QString m_collated;
    QString m_order = QStringLiteral(" ORDER BY 部门编号,电话号码");
};

} // namespace qalor
