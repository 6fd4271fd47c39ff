#pragma once

#include "serial/SerialCommControl.h"
#include "serial/TcpCommControl.h"

namespace qalor {

// The CDR port as the settings map its number: a serial device or a
// tcp:// address (serialDeviceForPort). The mapping is looked up each time
// the port opens, so a changed port number or setting takes effect at the
// next open. Properties reach both kinds of control; everything else goes to
// the one in use.
class MappedCommControl : public CommControl
{
    Q_OBJECT
public:
    explicit MappedCommControl(QObject* parent = nullptr);

    void setCommPort(int port) override;
    int commPort() const override { return m_active->commPort(); }
    void setSettings(const QString& settings) override;
    void setInBufferSize(int size) override;
    void setOutBufferSize(int size) override;
    void setRThreshold(int count) override;
    void setSThreshold(int count) override;
    void setInputLen(int count) override;
    void setRTSEnable(bool on) override;
    void setDTREnable(bool on) override;
    void setPortOpen(bool open) override;
    bool portOpen() const override { return m_active->portOpen(); }
    Link link() const override { return m_active->link(); }
    int commEvent() const override { return m_active->commEvent(); }
    QString input() override { return m_active->input(); }
    void output(const QString& text) override { m_active->output(text); }
    QString lastError() const override { return m_active->lastError(); }
    bool takenByOther() const override { return m_active->takenByOther(); }

private:
    template <typename Set> void toBoth(Set set)
    {
        set(m_serial);
        set(m_tcp);
    }

    SerialCommControl m_serial;
    TcpCommControl m_tcp;
    CommControl* m_active = &m_serial;
};

} // namespace qalor
