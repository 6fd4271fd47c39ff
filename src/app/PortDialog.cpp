#include "app/PortDialog.h"

#include "app/FormDialogLayout.h"
#include "prompt/OpenOrReport.h"
#include "prompt/Prompt.h"
#include "prompt/WholeNumber.h"
#include "db/sets/CComPortSet.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qalor {

PortDialog::PortDialog(QWidget* parent) : QDialog(parent), m_port(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("串口配置表"));
    setObjectName(QStringLiteral("PortDialog"));
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setAccessibleName(QStringLiteral("串口号:"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("串口号:"), m_port);

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
