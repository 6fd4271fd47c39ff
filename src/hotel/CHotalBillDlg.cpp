#include "hotel/CHotalBillDlg.h"

#include "hotel/HotelBill.h"
#include "hotel/HotelForms.h"
#include "print/ReportOutput.h"
#include "prompt/Prompt.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace qalor {

CHotalBillDlg::CHotalBillDlg(QWidget* parent, const QString& extension)
    : QDialog(parent), m_guest(new QLineEdit(QStringLiteral(" "), this)),
      m_extension(HotelForms::extensionEdit(this)), m_room(new QLineEdit(QStringLiteral(" "), this)),
      m_output(new QComboBox(this))
{
    setWindowTitle(QStringLiteral("出结帐单"));
    setObjectName(QStringLiteral("CHotalBillDlg"));
    m_output->addItems({QStringLiteral("打印"), QStringLiteral("打印预览"), QStringLiteral("导出PDF")});
    m_extension->setAccessibleName(QStringLiteral("电话号码："));
    m_room->setAccessibleName(QStringLiteral("房  间  号："));
    m_extension->setText(extension);
    if (!extension.isEmpty()) {
        // Opened after a check-out: the guest and room of the stay just settled.
        const Prompt::Silence quiet;
        HotelStay stay;
        if (HotelBill::findSettledStay(extension, stay)) {
            if (!stay.room.isEmpty())
                m_room->setText(stay.room);
            if (!stay.guest.isEmpty())
                m_guest->setText(stay.guest);
        }
    }

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("旅客姓名："), m_guest);
    form->addRow(QStringLiteral("电话号码："),
                 HotelForms::withNote(m_extension, QStringLiteral("必须填"), this));
    form->addRow(QStringLiteral("房  间  号："),
                 HotelForms::withNote(m_room, QStringLiteral("可不填"), this));
    form->addRow(QStringLiteral("输出到："), m_output);

    HotelForms::layOut(this, form,
                       {
                           {QStringLiteral("打印清单"), [this] { printList(); }},
                           {QStringLiteral("打印简易帐单"), [this] { printSimpleBill(); }},
                           {QStringLiteral("退出"), [this] { reject(); }},
                       });
}

void CHotalBillDlg::hand(const ReportBuilder& build, const QString& suggestedName)
{
    switch (m_output->currentIndex()) {
    case Preview:
        ReportOutput::preview(this, build);
        break;
    case Pdf:
        ReportOutput::exportPdf(this, build, suggestedName);
        break;
    default:
        ReportOutput::print(this, build);
        break;
    }
}

bool CHotalBillDlg::extensionGiven() const
{
    if (!m_extension->text().trimmed().isEmpty())
        return true;
    Prompt::inform(QStringLiteral("请输入分机号!"));
    m_extension->setFocus();
    return false;
}

void CHotalBillDlg::printList()
{
    if (!extensionGiven())
        return;
    HotelStay stay;
    QList<BilledCall> calls;
    if (!HotelBill::findSettledStay(m_extension->text(), stay) || !HotelBill::loadCalls(stay, calls))
        return;
    const QString guest = m_guest->text();
    hand([&](const PageGeometry& page) { return HotelBill::itemisedList(stay, calls, guest, page); },
         m_extension->text() + QStringLiteral("电话费详单.pdf"));
}

void CHotalBillDlg::printSimpleBill()
{
    if (!extensionGiven())
        return;
    HotelStay stay;
    const QString extension = m_extension->text();
    if (!HotelBill::findSettledStay(extension, stay))
        return;
    const QString guest = m_guest->text();
    const QString room = m_room->text();
    hand(
        [&](const PageGeometry& page) {
            return HotelBill::simpleBill(stay, guest, extension, room, QDate::currentDate(), page);
        },
        extension + QStringLiteral("宾馆电话结帐单.pdf"));
}

} // namespace qalor
