#include "hotel/CStationClassDlg.h"

#include "hotel/HotelForms.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace qalor {

CStationClassDlg::CStationClassDlg(QWidget* parent)
    : QDialog(parent), m_extension(HotelForms::extensionEdit(this)), m_level(HotelForms::levelBox(QStringLiteral("0 最低级别或默认级别"), this))
{
    setWindowTitle(QStringLiteral("更改分机级别"));
    setObjectName(QStringLiteral("CStationClassDlg"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("分 机 号 ："), m_extension);
    form->addRow(QStringLiteral("分机级别："), m_level);

    HotelForms::layOut(this, form,
                       {
                           {QStringLiteral("确认/返回"), [this] { confirm(); }},
                           {QStringLiteral("下一个分机"), [this] { next(); }},
                           {QStringLiteral("取消/返回"), [this] { reject(); }},
                       });
}

void CStationClassDlg::confirm()
{
    HotelForms::follow(this, m_extension, m_session.confirm(m_extension->text(), m_level->currentText()));
}

void CStationClassDlg::next()
{
    HotelForms::follow(this, m_extension, m_session.next(m_extension->text(), m_level->currentText()));
}

} // namespace qalor
