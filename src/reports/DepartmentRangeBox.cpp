#include "reports/DepartmentRangeBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

namespace qalor {

DepartmentRangeBox::DepartmentRangeBox(const QString& startCaption, const QString& endCaption, QWidget* parent)
    : QWidget(parent), m_startList(new QListWidget(this)), m_endList(new QListWidget(this)),
      m_startName(new QLabel(this)), m_endName(new QLabel(this))
{
    auto* startLabel = new QLabel(startCaption, this);
    startLabel->setBuddy(m_startList);
    auto* endLabel = new QLabel(endCaption, this);
    endLabel->setBuddy(m_endList);
    m_startList->setAccessibleName(startCaption);
    m_endList->setAccessibleName(endCaption);
    // Read by a screen reader as their text (the department chosen).
    m_startName->setAccessibleDescription(QStringLiteral("起始部门名称"));
    m_endName->setAccessibleDescription(QStringLiteral("终止部门名称"));
    for (QListWidget* list : {m_startList, m_endList})
        list->setMaximumHeight(120);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(startLabel, 0, 0);
    grid->addWidget(m_startName, 0, 1);
    grid->addWidget(m_startList, 1, 0, 1, 2);
    grid->addWidget(endLabel, 0, 2);
    grid->addWidget(m_endName, 0, 3);
    grid->addWidget(m_endList, 1, 2, 1, 2);

    connect(m_startList, &QListWidget::currentRowChanged, this,
            [this] { choose(m_startList, m_startName, m_first); });
    connect(m_endList, &QListWidget::currentRowChanged, this, [this] { choose(m_endList, m_endName, m_last); });
}

void DepartmentRangeBox::setDepartments(const DepartmentList& departments)
{
    m_departments = departments;
    for (QListWidget* list : {m_startList, m_endList}) {
        list->clear();
        for (const Department& department : departments.all())
            list->addItem(QString::number(department.number));
    }
    if (departments.isEmpty())
        return;
    m_startList->setCurrentRow(0);
    m_endList->setCurrentRow(m_endList->count() - 1);
}

void DepartmentRangeBox::choose(QListWidget* list, QLabel* name, int& number)
{
    const QListWidgetItem* item = list->currentItem();
    if (!item)
        return;
    number = item->text().toInt();
    name->setText(m_departments.nameOf(number));
}

void DepartmentRangeBox::setListsEnabled(bool enabled)
{
    m_startList->setEnabled(enabled);
    m_endList->setEnabled(enabled);
}

QString DepartmentRangeBox::startName() const
{
    return m_startName->text();
}

QString DepartmentRangeBox::endName() const
{
    return m_endName->text();
}

} // namespace qalor
