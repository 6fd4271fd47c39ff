#pragma once

#include <QObject>
#include <QString>

namespace qalor {

// The communications-control interface: the serial operations the
// workstation uses, named as the control's properties. The CDR port and the
// modem port are instances; tests substitute a scripted one.
class CommControl : public QObject
{
    Q_OBJECT
public:
    enum Event { NoEvent = 0, ReceiveEvent = 2 };
    // What the port is attached to: a serial port is open or closed; a
    // network port may be open while its connection is down and being made
    // again.
    enum class Link { Closed, Open, Connected, Reconnecting };

    using QObject::QObject;
    ~CommControl() override = default;

    virtual void setCommPort(int port) = 0;
    virtual int commPort() const = 0;
    virtual void setSettings(const QString& settings) = 0; // "9600,N,8,1"
    virtual void setInBufferSize(int size) = 0;
    virtual void setOutBufferSize(int size) = 0;
    // A receive event comes once at least this many characters are
    // buffered; none when it is 0.
    virtual void setRThreshold(int count) = 0;
    virtual void setSThreshold(int count) = 0;
    // One read of input() returns at most this many characters (0: all).
    virtual void setInputLen(int count) = 0;
    virtual void setRTSEnable(bool on) = 0;
    virtual void setDTREnable(bool on) = 0;
    // Opening may fail: portOpen() then stays false and lastError() says why.
    // A line that is not there yet may instead be waited for: the port is
    // open, link() is Reconnecting and lastError() says why it is not up.
    // Closing discards whatever was buffered.
    virtual void setPortOpen(bool open) = 0;
    virtual bool portOpen() const = 0;
    virtual Link link() const { return portOpen() ? Link::Open : Link::Closed; }
    virtual int commEvent() const = 0;
    // The characters received since the last read, one per byte (Latin-1).
    // Where the stream was broken (see StreamBreak.h) the text carries the
    // break mark.
    virtual QString input() = 0;
    virtual void output(const QString& text) = 0;
    virtual QString lastError() const = 0;
    // Whether the last opening found the line read by another program (a
    // workstation or a collector): the port then stays closed.
    virtual bool takenByOther() const { return false; }

signals:
    // The control's communications event; read commEvent() to see which.
    void comm();
    // Characters came in and wait in the control, whatever the receive
    // threshold: a reader that must not lose them takes them at once. Raised
    // as they are read: a handler takes them and does nothing lengthy.
    void arrived();
    // An attempt at the line ended or its state changed: link() and
    // lastError() say how it is now.
    void linkChanged();
};

} // namespace qalor
