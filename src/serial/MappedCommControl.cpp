#include "serial/MappedCommControl.h"

namespace qalor {

MappedCommControl::MappedCommControl(QObject* parent) : CommControl(parent)
{
    for (CommControl* control : {static_cast<CommControl*>(&m_serial), static_cast<CommControl*>(&m_tcp)}) {
        connect(control, &CommControl::comm, this, [this, control] {
            if (control == m_active)
                emit comm();
        });
        connect(control, &CommControl::linkChanged, this, [this, control] {
            if (control == m_active)
                emit linkChanged();
        });
    }
}

void MappedCommControl::setCommPort(int port)
{
    toBoth([port](CommControl& c) { c.setCommPort(port); });
}

void MappedCommControl::setSettings(const QString& settings)
{
    toBoth([&settings](CommControl& c) { c.setSettings(settings); });
}

void MappedCommControl::setInBufferSize(int size)
{
    toBoth([size](CommControl& c) { c.setInBufferSize(size); });
}

void MappedCommControl::setOutBufferSize(int size)
{
    toBoth([size](CommControl& c) { c.setOutBufferSize(size); });
}

void MappedCommControl::setRThreshold(int count)
{
    toBoth([count](CommControl& c) { c.setRThreshold(count); });
}

void MappedCommControl::setSThreshold(int count)
{
    toBoth([count](CommControl& c) { c.setSThreshold(count); });
}

void MappedCommControl::setInputLen(int count)
{
    toBoth([count](CommControl& c) { c.setInputLen(count); });
}

void MappedCommControl::setRTSEnable(bool on)
{
    toBoth([on](CommControl& c) { c.setRTSEnable(on); });
}

void MappedCommControl::setDTREnable(bool on)
{
    toBoth([on](CommControl& c) { c.setDTREnable(on); });
}

void MappedCommControl::setPortOpen(bool open)
{
    if (!open || m_active->portOpen()) {
        m_active->setPortOpen(open);
        return;
    }
    m_active = isTcpMapping(serialDeviceForPort(m_active->commPort())) ? static_cast<CommControl*>(&m_tcp)
                                                                       : static_cast<CommControl*>(&m_serial);
    m_active->setPortOpen(true);
}

} // namespace qalor
