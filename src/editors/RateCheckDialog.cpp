#include "editors/RateCheckDialog.h"

#include "db/CDatabase.h"
#include "db/TableRegistry.h"
#include "editors/KeyDuplicates.h"
#include "editors/RateCheck.h"
#include "editors/ReadOnlyCell.h"
#include "format/TextFormat.h"
#include "prompt/Prompt.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qalor {

RateCheckDialog::RateCheckDialog(QWidget* parent)
    : QDialog(parent), m_from(new QDateEdit(this)), m_to(new QDateEdit(this)),
      m_table(new QTableWidget(this)), m_duplicates(new QLabel(this))
{
    setWindowTitle(QStringLiteral("检查费率表"));
    const QDate today = QDate::currentDate();
    for (QDateEdit* edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
    }
    m_from->setDate(QDate(today.year(), today.month(), 1));
    m_to->setDate(today);

    auto* fromLabel = new QLabel(QStringLiteral("起始日期:"), this);
    auto* toLabel = new QLabel(QStringLiteral("结束日期:"), this);
    fromLabel->setBuddy(m_from);
    toLabel->setBuddy(m_to);
    m_from->setAccessibleName(QStringLiteral("起始日期"));
    m_to->setAccessibleName(QStringLiteral("结束日期"));
    auto* run = new QPushButton(QStringLiteral("检查"), this);
    connect(run, &QPushButton::clicked, this, &RateCheckDialog::check);

    m_table->setAccessibleName(QStringLiteral("未完全匹配的号码"));
    m_table->setColumnCount(5);
    m_table->setHorizontalHeaderLabels({QStringLiteral("拨号前缀"), QStringLiteral("匹配的区号"),
                                        QStringLiteral("地区"), QStringLiteral("通话次数"),
                                        QStringLiteral("金额")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setVisible(false);

    auto* back = new QPushButton(QStringLiteral("返回"), this);
    back->setAutoDefault(false);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);

    auto* period = new QHBoxLayout;
    period->addWidget(fromLabel);
    period->addWidget(m_from);
    period->addWidget(toLabel);
    period->addWidget(m_to);
    period->addWidget(run);
    period->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(back);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(period);
    layout->addWidget(m_table, 1);
    m_duplicates->setAccessibleDescription(QStringLiteral("重复的区号"));
    m_duplicates->setWordWrap(true);
    m_duplicates->hide();
    layout->addWidget(m_duplicates);
    layout->addLayout(buttons);
    resize(620, 420);
}

void RateCheckDialog::setPeriod(QDate from, QDate to)
{
    m_from->setDate(from);
    m_to->setDate(to);
}

void RateCheckDialog::check()
{
    QList<RateCheck::Finding> findings;
    QList<KeyDuplicates::Repeat> repeats;
    if (!runGuarded(QStringLiteral("Unknow Error Occured in Query-job!"), [&] {
            findings = RateCheck::run(m_from->date(), m_to->date());
            // Two rows for one 区号: the engine takes one and the other is never used.
            repeats = KeyDuplicates::inTable(Tables::rate(), CDatabase::shared());
        }))
        return;
    const QString repeated = KeyDuplicates::tableText(Tables::rate(), repeats);
    m_duplicates->setText(QStringLiteral("费率表中") + repeated);
    m_duplicates->setVisible(!repeated.isEmpty());
    m_table->setRowCount(int(findings.size()));
    for (int row = 0; row < findings.size(); ++row) {
        const RateCheck::Finding& f = findings.at(row);
        m_table->setItem(row, 0, readOnlyCell(f.prefix, false));
        m_table->setItem(
            row, 1,
            readOnlyCell(f.matchedPrefix.isEmpty() ? QStringLiteral("(无)") : f.matchedPrefix, false));
        m_table->setItem(row, 2, readOnlyCell(f.matchedArea, false));
        m_table->setItem(row, 3, readOnlyCell(QString::number(f.calls), true));
        m_table->setItem(row, 4, readOnlyCell(FormatMoney(f.amount), true));
    }
    if (findings.isEmpty())
        Prompt::inform(QStringLiteral("所选期间的通话都完全匹配了费率表中的区号."));
}

} // namespace qalor
