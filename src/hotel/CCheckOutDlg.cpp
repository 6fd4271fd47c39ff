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

CCheckOutDlg::CCheckOutDlg(std::function<void(const QString&)> printBill, QWidget* parent)
    : QDialog(parent), m_date(HotelForms::datePicker(this)), m_time(HotelForms::timePicker(this)),
      m_extension(HotelForms::extensionEdit(this)), m_room(new QLineEdit(this)), m_amount(new QLabel(this)),
      m_settled(new QLabel(this)), m_deposit(new QLabel(this))
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
    // The amount stays on screen while the next extension is typed, so it
    // says whose it is, with the deposit the guest paid beside it.
    form->addRow(QStringLiteral("结帐分机:"), m_settled);
    form->addRow(QStringLiteral("结帐金额:"), m_amount);
    form->addRow(QStringLiteral("押金:"), m_deposit);
    // Read by a screen reader as their text; what they are is their description.
    const std::pair<QLabel*, const char*> shown[] = {
        {m_settled, "结帐分机"}, {m_amount, "结帐金额"}, {m_deposit, "押金"}};
    for (const auto& [label, role] : shown) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setAccessibleDescription(QString::fromUtf8(role));
    }

    HotelForms::layOut(this, form,
                       {
                           {QStringLiteral("确定/退出"), [this] { settleAndClose(); }},
                           {QStringLiteral("下一分机"), [this] { settleNext(); }},
                           {QStringLiteral("打印帐单"),
                            [this, printBill = std::move(printBill)] {
                                if (printBill)
                                    printBill(billExtension());
                            }},
                           {QStringLiteral("取消/退出"), [this] { reject(); }},
                       });
    // Tab goes on down the form from here, through the buttons, to the date.
    m_extension->setFocus();
    m_shown = HotelForms::shownMoment(m_date, m_time);
}

void CCheckOutDlg::settleAndClose()
{
    const QDateTime moment = HotelForms::takeMoment(m_date, m_time, m_shown);
    HotelForms::follow(this, m_extension,
                       m_session.settleAndClose(m_extension->text(), moment.date(), moment.time()));
}

void CCheckOutDlg::settleNext()
{
    const QDateTime moment = HotelForms::takeMoment(m_date, m_time, m_shown);
    const DialogStep step = m_session.settleNext(m_extension->text(), moment.date(), moment.time());
    if (step == DialogStep::StayClear) {
        const QString room = m_session.settledRoom();
        m_settled->setText(room.isEmpty()
                               ? m_session.settledExtension()
                               : QStringLiteral("%1（房间号 %2）").arg(m_session.settledExtension(), room));
        m_amount->setText(m_session.amountText());
        m_deposit->setText(m_session.settledDeposit().text());
    }
    HotelForms::follow(this, m_extension, step);
}

QString CCheckOutDlg::billExtension() const
{
    const QString typed = m_extension->text().trimmed();
    return typed.isEmpty() ? m_session.settledExtension() : typed;
}

} // namespace qalor
