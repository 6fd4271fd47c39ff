#include "app/PortDialog.h"

#include "app/FormDialogLayout.h"
#include "db/sets/CComPortSet.h"
#include "prompt/OpenOrReport.h"
#include "prompt/Prompt.h"
#include "prompt/WholeNumber.h"
#include "serial/PortMapping.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qalor {

PortDialog::PortDialog(QWidget* parent)
    : QDialog(parent), m_port(new QLineEdit(this)), m_mapping(new QLabel(this))
{
    setWindowTitle(QStringLiteral("串口配置表"));
    setObjectName(QStringLiteral("PortDialog"));
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setAccessibleName(QStringLiteral("串口号:"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("串口号:"), m_port);
    // What the entered number stands for on this workstation: a serial
    // device or a device server's network address.
    m_mapping->setObjectName(QStringLiteral("mapping"));
    m_mapping->setAccessibleDescription(QStringLiteral("对应设备"));
    m_mapping->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("对应设备:"), m_mapping);
    connect(m_port, &QLineEdit::textChanged, this, &PortDialog::showMapping);

    layOutFormDialog(this, form, QStringLiteral("确认"), QStringLiteral("放弃"));

    runGuarded(QStringLiteral("在串口表中发生未知错误!"), [&] {
        CComPortSet table;
        if (!openOrReport(table, QStringLiteral("打开串口设置表失败.程序可能不能正常运行.")))
            return;
        if (!table.isEOF())
            m_port->setText(QString::number(table.integer(CComPortSet::Port)));
        table.close();
    });
}

QString PortDialog::mappingText() const
{
    return m_mapping->text();
}

void PortDialog::showMapping()
{
    bool isNumber = false;
    const int number = m_port->text().trimmed().toInt(&isNumber);
    m_mapping->setText(isNumber && number >= kLowest && number <= kHighest ? serialDeviceForPort(number)
                                                                           : QString());
}

bool PortDialog::parse(const QString& text, int& value, QString& refusal)
{
    return readWholeNumber(text, kLowest, kHighest, value, refusal);
}

void PortDialog::accept()
{
    QString refusal;
    if (!parse(m_port->text(), m_value, refusal)) {
        Prompt::inform(refusal);
        m_port->setFocus();
        m_port->selectAll();
        return;
    }
    QDialog::accept();
}

} // namespace qalor
