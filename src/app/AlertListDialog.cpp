#include "app/AlertListDialog.h"

#include "db/CDatabase.h"
#include "prompt/Prompt.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qalor {

AlertListDialog::AlertListDialog(Acknowledge acknowledge, QWidget* parent)
    : QDialog(parent), m_acknowledge(std::move(acknowledge))
{
    setWindowTitle(QStringLiteral("告警记录"));
    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("alerts"));
    m_table->setColumnCount(6);
    m_table->setHorizontalHeaderLabels({QStringLiteral("通话时间"), QStringLiteral("主叫号"),
                                        QStringLiteral("被叫号"), QStringLiteral("话费"),
                                        QStringLiteral("规则名称"), QStringLiteral("告警说明")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();

    auto* selected = new QPushButton(QStringLiteral("确认所选"), this);
    auto* all = new QPushButton(QStringLiteral("全部确认"), this);
    auto* back = new QPushButton(QStringLiteral("返回"), this);
    connect(selected, &QPushButton::clicked, this, &AlertListDialog::acknowledgeSelected);
    connect(all, &QPushButton::clicked, this, &AlertListDialog::acknowledgeAll);
    connect(back, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(selected);
    buttons->addWidget(all);
    buttons->addWidget(back);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
    resize(900, 420);
    reload();
}

void AlertListDialog::reload()
{
    QList<AlertLog::Row> rows;
    runGuarded(QStringLiteral("Unknown Error in 告警记录表."),
               [&] { rows = AlertLog::unacknowledged(CDatabase::shared()); });
    m_rows = rows;
    m_table->setRowCount(int(m_rows.size()));
    for (int i = 0; i < m_rows.size(); ++i) {
        const Alert& alert = m_rows.at(i).alert;
        const QStringList cells{alert.call.start.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                alert.call.caller,
                                alert.call.called,
                                alert.call.billed.text(),
                                alert.ruleName,
                                alert.detail};
        for (int column = 0; column < cells.size(); ++column)
            m_table->setItem(i, column, new QTableWidgetItem(cells.at(column)));
    }
    m_table->resizeColumnsToContents();
}

int AlertListDialog::rowCount() const
{
    return int(m_rows.size());
}

void AlertListDialog::acknowledgeSelected()
{
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    acknowledgeRows(rows);
}

void AlertListDialog::acknowledgeAll()
{
    QList<int> rows;
    for (int i = 0; i < m_rows.size(); ++i)
        rows << i;
    acknowledgeRows(rows);
}

void AlertListDialog::acknowledgeRows(const QList<int>& rows)
{
    QList<int> ids;
    for (const int row : rows)
        if (row >= 0 && row < m_rows.size())
            ids << m_rows.at(row).id;
    if (ids.isEmpty())
        return;
    m_acknowledge(ids);
    reload();
}

} // namespace qalor
