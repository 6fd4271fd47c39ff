#include "reports/DepartmentList.h"

#include "db/sets/CDepartSet.h"

namespace qalor {

DepartmentList DepartmentList::load(CDatabase* db)
{
    CDepartSet set(db);
    set.setSort(QStringLiteral("部门编号"));
    set.open();
    QList<Department> departments;
    for (; !set.isEOF(); set.moveNext())
        departments.append({set.integer(CDepartSet::Number), set.text(CDepartSet::Name),
                            set.single(CDepartSet::FeeRatio)});
    return DepartmentList(std::move(departments));
}

const Department* DepartmentList::find(int number) const
{
    for (const Department& department : m_departments)
        if (department.number == number)
            return &department;
    return nullptr;
}

QString DepartmentList::nameOf(int number) const
{
    const Department* department = find(number);
    return department ? department->name : QString();
}

float DepartmentList::ratioOf(int number) const
{
    const Department* department = find(number);
    return department ? department->feeRatio : 0.0f;
}

} // namespace qalor
