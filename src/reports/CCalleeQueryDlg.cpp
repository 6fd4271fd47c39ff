#include "reports/CCalleeQueryDlg.h"

#include "prompt/Prompt.h"
#include "reports/DetailLine.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace qalor {

CCalleeQueryDlg::CCalleeQueryDlg(QWidget* parent)
    : DetailQueryDialog(QStringLiteral("按被叫号查询"), DetailLine::calleeListHeader(), DetailLayout::ByCallee,
                        {QStringLiteral("Unknow Error Occured in Next-job!"),
                         QStringLiteral("Unknow Error Occured in Doing FirstPage-job!"),
                         QStringLiteral("Unknow Error Occured!")},
                        parent)
{
    m_callee = new QLineEdit(this);
    m_callee->setMaxLength(19);
    fitToContent(m_callee);
    auto* calleeLabel = new QLabel(QStringLiteral("被叫号："), this);
    calleeLabel->setBuddy(m_callee);
    m_whole = new QCheckBox(QStringLiteral("完整被叫号"), this);

    m_limitCaller = new QCheckBox(QStringLiteral("限定主叫号为："), this);
    m_caller = new QLineEdit(this);
    m_caller->setMaxLength(4);
    fitToContent(m_caller);
    m_caller->setReadOnly(true);
    m_caller->setAccessibleName(QStringLiteral("主叫号"));
    connect(m_limitCaller, &QCheckBox::toggled, m_caller, [this](bool on) { m_caller->setReadOnly(!on); });

    filters()->addWidget(calleeLabel, 1, 0);
    filters()->addWidget(m_callee, 1, 1, Qt::AlignLeft);
    filters()->addWidget(m_whole, 1, 2);
    filters()->addWidget(m_limitCaller, 2, 0);
    filters()->addWidget(m_caller, 2, 1, Qt::AlignLeft);
}

QString CCalleeQueryDlg::noCalleeText()
{
    return QStringLiteral("请输入被叫号的头几个数字!\n如果要查全部记录,请用按日期查询.");
}

QString CCalleeQueryDlg::noCallerQuestion()
{
    return QStringLiteral("未输入主叫号!\n选'确定'继续查询\n选'取消'不执行查询.");
}

std::optional<DetailQuery> CCalleeQueryDlg::readQuery()
{
    if (m_callee->text().isEmpty()) {
        Prompt::inform(noCalleeText());
        return std::nullopt;
    }
    DetailQuery query = periodQuery();
    query.callee = m_callee->text();
    query.wholeCallee = m_whole->isChecked();
    if (m_limitCaller->isChecked()) {
        if (m_caller->text().isEmpty() && !Prompt::askOkCancel(noCallerQuestion()))
            return std::nullopt;
        query.caller = m_caller->text();
    }
    return query;
}

} // namespace qalor
