#include "editors/ExtensionSource.h"

#include "db/sets/CDepartSet.h"
#include "prompt/Prompt.h"

namespace qalor {

QString ExtensionSource::recordSource() const
{
    return QStringLiteral("SELECT * FROM 用户信息表 ") + m_condition + m_order;
}

void ExtensionSource::selectDepartment(int number)
{
    // The number comes from the list, never from typed text.
    m_condition = number == 0 ? QString() : QStringLiteral(" WHERE 部门编号=") + QString::number(number);
}

void ExtensionSource::setOrder(Order order)
{
    m_collated = order == Order::ByName ? QStringLiteral("用户名") : QString();
    switch (order) {
    case Order::ByPhone:
        m_order = QStringLiteral(" Order by 电话号码");
        break;
    case Order::ByName:
        m_order = QStringLiteral(" Order by 用户名");
        break;
    case Order::ByDepartment:
        m_order = QStringLiteral(" Order by 部门编号");
        break;
    }
}

QList<ExtensionSource::Department> ExtensionSource::departments()
{
    QList<Department> list{{0, QStringLiteral("0     所有部门")}};
    bool read = false;
    try {
        CDepartSet set;
        set.setSort(QStringLiteral("部门编号"));
        set.open();
        for (set.moveFirst(); !set.isEOF() && list.size() < MaxDepartments; set.moveNext()) {
            const int number = set.integer(CDepartSet::Number);
            list.append({number, QString::number(number) + QStringLiteral("     ") + set.text(CDepartSet::Name)});
        }
        set.close();
        read = true;
    } catch (const DbError&) {
    } catch (const std::bad_alloc&) {
    }
    if (!read)
        Prompt::inform(QStringLiteral("打开部门表失败!"));
    return list;
}

} // namespace qalor
