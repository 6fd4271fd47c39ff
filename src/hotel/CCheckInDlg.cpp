#include "hotel/CCheckInDlg.h"

#include "hotel/HotelForms.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

namespace qalor {

CCheckInDlg::CCheckInDlg(QWidget* parent)
    : QDialog(parent), m_date(HotelForms::datePicker(this)), m_time(HotelForms::timePicker(this)),
      m_extension(HotelForms::extensionEdit(this)),
      m_level(HotelForms::levelBox(QStringLiteral("0 最低级或默认级"), this)),
      m_deposit(new QLineEdit(QStringLiteral("0"), this)), m_room(new QLineEdit(this)),
      m_guest(new QLineEdit(this)), m_ratio(new QLineEdit(QStringLiteral("0"), this))
{
    setWindowTitle(QStringLiteral("旅客入住登记"));
    setObjectName(QStringLiteral("CCheckInDlg"));
    m_room->setAccessibleName(QStringLiteral("房间号"));
    m_guest->setAccessibleName(QStringLiteral("旅客姓名"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("入住日期"), m_date);
    form->addRow(QStringLiteral("旅客入住时间"), m_time);
    form->addRow(QStringLiteral("电话号码"), m_extension);
    form->addRow(QStringLiteral("分机级别"), m_level);
    form->addRow(QStringLiteral("预付押金"), m_deposit);
    form->addRow(QStringLiteral("房间号"),
                 HotelForms::withNote(m_room, QStringLiteral(":可不填写此栏"), this));
    // Printed on the guest's bills.
    form->addRow(QStringLiteral("旅客姓名"),
                 HotelForms::withNote(m_guest, QStringLiteral(":可不填写此栏"), this));
    form->addRow(QStringLiteral("服务费比列"), m_ratio);

    HotelForms::layOut(this, form,
                       {
                           {QStringLiteral("登记/退出"), [this] { registerAndClose(); }},
                           {QStringLiteral("登记下一个"), [this] { registerNext(); }},
                           {QStringLiteral("取消/退出"), [this] { reject(); }},
                       });
    // Tab goes on down the form from here, through the buttons, to the date.
    m_extension->setFocus();
    m_shown = HotelForms::shownMoment(m_date, m_time);
}

bool CCheckInDlg::readForm(CheckInForm& form)
{
    const QDateTime moment = HotelForms::takeMoment(m_date, m_time, m_shown);
    form.date = moment.date();
    form.time = moment.time();
    form.extension = m_extension->text();
    form.levelText = m_level->currentText();
    form.room = m_room->text();
    form.guest = m_guest->text().trimmed();
    return HotelForms::readSingle(m_deposit, form.deposit) &&
           HotelForms::readSingle(m_ratio, form.serviceRatio);
}

void CCheckInDlg::registerAndClose()
{
    CheckInForm form;
    if (readForm(form))
        HotelForms::follow(this, m_extension, m_session.registerAndClose(form));
}

void CCheckInDlg::registerNext()
{
    CheckInForm form;
    if (readForm(form))
        HotelForms::follow(this, m_extension, m_session.registerNext(form));
}

} // namespace qalor
