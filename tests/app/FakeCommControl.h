#pragma once

#include "serial/CommControl.h"

#include <QStringList>

namespace qalor::test {

// A communications control driven by the test: deliver() plays received
// characters and raises the receive event; every property the program sets
// is written to the log ("RThreshold=73", "PortOpen=1", ...).
class FakeCommControl : public CommControl
{
    Q_OBJECT
public:
    using CommControl::CommControl;

    void setCommPort(int port) override { m_port = port, note("CommPort", port); }
    int commPort() const override { return m_port; }
    void setSettings(const QString& settings) override { log << QStringLiteral("Settings=") + settings; }
    void setInBufferSize(int size) override { note("InBufferSize", size); }
    void setOutBufferSize(int size) override { note("OutBufferSize", size); }
    void setRThreshold(int count) override { m_rThreshold = count, note("RThreshold", count); }
    void setSThreshold(int count) override { note("SThreshold", count); }
    void setInputLen(int count) override { m_inputLen = count, note("InputLen", count); }
    void setRTSEnable(bool on) override { note("RTSEnable", on); }
    void setDTREnable(bool on) override { note("DTREnable", on); }
    void setPortOpen(bool open) override
    {
        note("PortOpen", open);
        m_buffer.clear();
        m_open = open && refuseOpen.isEmpty();
        m_error = open ? refuseOpen : QString();
    }
    bool portOpen() const override { return m_open; }
    int commEvent() const override { return m_event; }
    QString input() override
    {
        const qsizetype count =
            m_inputLen > 0 ? qMin<qsizetype>(m_inputLen, m_buffer.size()) : m_buffer.size();
        const QString text = m_buffer.left(count);
        m_buffer.remove(0, count);
        return text;
    }
    void output(const QString& text) override { written += text; }
    QString lastError() const override { return m_error; }

    // Characters arriving on the line: kept only while the port is open.
    void deliver(const QString& chunk)
    {
        if (!m_open)
            return;
        m_buffer += chunk;
        if (m_rThreshold <= 0)
            return;
        m_event = ReceiveEvent;
        emit comm();
        m_event = NoEvent;
    }
    // The same text in pieces of the given sizes (the last piece takes the rest).
    void deliverInChunks(const QString& text, const QList<int>& sizes)
    {
        qsizetype at = 0;
        for (int size : sizes) {
            if (at >= text.size())
                break;
            deliver(text.mid(at, size));
            at += size;
        }
        if (at < text.size())
            deliver(text.mid(at));
    }
    int count(const QString& entry) const { return int(log.count(entry)); }

    QStringList log;
    QString written;
    QString refuseOpen; // when set, opening fails with this reason

private:
    void note(const char* property, int value)
    {
        log << QStringLiteral("%1=%2").arg(QLatin1String(property)).arg(value);
    }

    QString m_buffer;
    QString m_error;
    int m_port = 0;
    int m_rThreshold = 0;
    int m_inputLen = 0;
    int m_event = NoEvent;
    bool m_open = false;
};

} // namespace qalor::test
