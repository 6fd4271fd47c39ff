#pragma once

// DepartmentRangeBox: the two department lists of the statistics and notice
// dialogs, each with the chosen department's name beside it.
//
//   auto* range = new DepartmentRangeBox(QStringLiteral("起始部门编号:"), QStringLiteral("终止部门编号:"), this);
//   range->setDepartments(DepartmentList::load());  // first and last preselected
//   range->range();                                   // {first, last}

#include "reports/CountResults.h"
#include "reports/DepartmentList.h"

#include <QWidget>

class QLabel;
class QListWidget;

namespace qalor {

class DepartmentRangeBox : public QWidget
{
    Q_OBJECT

public:
    DepartmentRangeBox(const QString& startCaption, const QString& endCaption, QWidget* parent = nullptr);

    void setDepartments(const DepartmentList& departments);
    DepartmentRange range() const { return {m_first, m_last}; }
    void setListsEnabled(bool enabled);

    QListWidget* startList() const { return m_startList; }
    QListWidget* endList() const { return m_endList; }
    QString startName() const;
    QString endName() const;

private:
    void choose(QListWidget* list, QLabel* name, int& number);

    DepartmentList m_departments;
    QListWidget* m_startList;
    QListWidget* m_endList;
    QLabel* m_startName;
    QLabel* m_endName;
    int m_first = 0;
    int m_last = 0;
};

} // namespace qalor
