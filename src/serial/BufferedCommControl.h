#pragma once

#include "serial/CommControl.h"

#include <QPointer>
#include <QTimer>
#include <utility>

class QIODevice;

namespace qalor {

// The receive side every communications control shares, whatever line it
// runs on. Characters are taken from the line into the control's input
// buffer, at most InBufferSize of them; the rest waits in the line's own
// buffer, so nothing received is ever thrown away. input() hands them out.
// A receive event is raised when the buffer holds at least RThreshold
// characters, and also when the line has gone quiet with fewer buffered, so
// that the tail of the last line never waits for the next call. Events are
// raised from the event loop, never from inside the line's read
// notification, so whatever a handler does (a message box, a dialog) the
// line goes on being read; arrived() tells a reader that must not lose
// characters that some are waiting, whatever the threshold. arrived() comes
// from inside the read notification: its handler only takes the characters
// (and journals them), it never runs dialogs or lengthy work there.
class BufferedCommControl : public CommControl
{
    Q_OBJECT
public:
    explicit BufferedCommControl(QObject* parent = nullptr);

    void setCommPort(int port) override { m_port = port; }
    int commPort() const override { return m_port; }
    void setInBufferSize(int size) override { m_inBufferSize = size; }
    void setOutBufferSize(int) override {}
    void setRThreshold(int count) override { m_rThreshold = count; }
    void setSThreshold(int) override {}
    void setInputLen(int count) override { m_inputLen = count; }
    int commEvent() const override { return m_event; }
    QString input() override;
    QString lastError() const override { return m_lastError; }

protected:
    // The line characters are read from; nullptr while there is none.
    void attach(QIODevice* line);
    // Reads what the line holds into the input buffer, as far as it has room
    // (everything when all is set) and announces it.
    void readLine(bool all = false);
    // Puts the break mark into the input buffer.
    void markBreak();
    // Forgets the input buffer and any pending announcement.
    void discardInput();
    void setLastError(const QString& text) { m_lastError = text; }
    // Whether characters came off the line since the last call.
    bool takeCarried() { return std::exchange(m_carried, false); }

private:
    void take(bool all);
    void announce();
    void raiseReceive();
    void raiseIfBuffered();

    QPointer<QIODevice> m_line;
    QTimer m_quiet;
    QString m_buffer;
    int m_port = 1;
    int m_inBufferSize = 16384;
    int m_rThreshold = 0;
    int m_inputLen = 0;
    int m_event = NoEvent;
    bool m_carried = false;
    QString m_lastError;
};

} // namespace qalor
