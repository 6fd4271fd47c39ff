#include "reports/CDateQueryDlg.h"

#include "reports/DetailLine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>

namespace qalor {

CDateQueryDlg::CDateQueryDlg(QWidget* parent)
    : DetailQueryDialog(QStringLiteral("按日期查询"), DetailLine::dateListHeader(), DetailLayout::ByDate,
                        {QStringLiteral("Unknow Error Occured in Doing-Next!"),
                         QStringLiteral("Unknow Error Occured in Doing-FirstPage!"),
                         QStringLiteral("Unknow Error Occured in Destroy-window!")},
                        parent)
{
    m_limitCaller = new QCheckBox(QStringLiteral("指定主叫号:"), this);
    m_caller = new QLineEdit(this);
    m_caller->setMaxLength(4);
    fitToContent(m_caller);
    m_caller->setReadOnly(true);
    m_caller->setAccessibleName(QStringLiteral("主叫号"));
    connect(m_limitCaller, &QCheckBox::toggled, m_caller, [this](bool on) { m_caller->setReadOnly(!on); });

    m_limitType = new QCheckBox(QStringLiteral("指定统计类型:"), this);
    m_type = new QComboBox(this);
    // The entry's index is the 统计类型 searched for.
    m_type->addItems({QStringLiteral("0市话"), QStringLiteral("1本地网"), QStringLiteral("2长话"),
                      QStringLiteral("3信息台")});
    m_type->setCurrentIndex(0);
    m_type->setEnabled(false);
    m_type->setAccessibleName(QStringLiteral("统计类型"));
    connect(m_limitType, &QCheckBox::toggled, m_type, &QComboBox::setEnabled);

    filters()->addWidget(m_limitCaller, 1, 0);
    filters()->addWidget(m_caller, 1, 1, Qt::AlignLeft);
    filters()->addWidget(m_limitType, 1, 2);
    filters()->addWidget(m_type, 1, 3, Qt::AlignLeft);
}

std::optional<DetailQuery> CDateQueryDlg::readQuery()
{
    DetailQuery query = periodQuery();
    if (m_limitCaller->isChecked())
        query.caller = m_caller->text();
    if (m_limitType->isChecked())
        query.countType = m_type->currentIndex();
    return query;
}

} // namespace qalor
