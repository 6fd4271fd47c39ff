#include "collector/PortLog.h"

#include "collector/StderrPrompt.h"
#include "serial/PortMapping.h"

namespace qalor {

PortLog::PortLog(CommControl& port, QObject* parent) : QObject(parent), m_port(port)
{
    connect(&m_port, &CommControl::linkChanged, this, &PortLog::look);
}

QString PortLog::stateText(const CommControl& port)
{
    const QString name =
        QStringLiteral("串口COM%1 (%2)").arg(port.commPort()).arg(serialDeviceForPort(port.commPort()));
    switch (port.link()) {
    case CommControl::Link::Open:
        return name + QStringLiteral("已打开.");
    case CommControl::Link::Connected:
        return name + QStringLiteral("已连接.");
    case CommControl::Link::Reconnecting:
        return port.lastError().isEmpty()
                   ? name + QStringLiteral("正在连接.")
                   : name + QStringLiteral("不通: %1, 正在重试.").arg(port.lastError());
    case CommControl::Link::Closed:
        break;
    }
    return port.lastError().isEmpty() ? name + QStringLiteral("已关闭.")
                                      : name + QStringLiteral("已关闭: %1.").arg(port.lastError());
}

void PortLog::settle()
{
    m_settled = true;
    m_said = stateText(m_port);
}

void PortLog::look()
{
    if (!m_settled)
        return;
    const QString text = stateText(m_port);
    // "Connecting" is only the way to the next state worth saying.
    if (text == m_said || (m_port.link() == CommControl::Link::Reconnecting && m_port.lastError().isEmpty()))
        return;
    m_said = text;
    StderrPrompt::log(text);
    emit said(text);
}

} // namespace qalor
