#include "hotel/CCheckOutDlg.h"

#include "hotel/HotelForms.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

namespace qalor {

CCheckOutDlg::CCheckOutDlg(std::function<void()> printBill, QWidget* parent)
    : QDialog(parent), m_date(HotelForms::datePicker(this)), m_time(HotelForms::timePicker(this)),
      m_extension(HotelForms::extensionEdit(this)), m_room(new QLineEdit(this)), m_amount(new QLabel(this))
{
    setWindowTitle(QStringLiteral("宾馆退房"));
    setObjectName(QStringLiteral("CCheckOutDlg"));
    m_room->setAccessibleName(QStringLiteral("房间号"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("退房日期"), m_date);
    form->addRow(QStringLiteral("退房时间"), m_time);
    form->addRow(QStringLiteral("电话号码"), m_extension);
    form->addRow(QStringLiteral("房间号"),
                 HotelForms::withNote(m_room, QStringLiteral(":可不填写此栏"), this));
    form->addRow(QStringLiteral("结帐金额:"), m_amount);

    HotelForms::layOut(this, form,
                       {
                           {QStringLiteral("确定/退出"), [this] { settleAndClose(); }},
                           {QStringLiteral("下一分机"), [this] { settleNext(); }},
                           {QStringLiteral("打印帐单"),
                            [printBill = std::move(printBill)] {
                                if (printBill)
                                    printBill();
                            }},
                           {QStringLiteral("取消/退出"), [this] { reject(); }},
                       });
}

void CCheckOutDlg::settleAndClose()
{
    HotelForms::follow(this, m_extension,
                       m_session.settleAndClose(m_extension->text(), m_date->date(), m_time->time()));
}

void CCheckOutDlg::settleNext()
{
    const DialogStep step = m_session.settleNext(m_extension->text(), m_date->date(), m_time->time());
    if (step == DialogStep::StayClear)
        m_amount->setText(m_session.amountText());
    HotelForms::follow(this, m_extension, step);
}

} // namespace qalor
