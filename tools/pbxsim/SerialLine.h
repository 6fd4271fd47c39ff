#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <csignal>
#include <functional>

namespace qalor::pbxsim {

// The exchange's end of a serial line (a real port or one end of a pty
// pair). Everything it receives is handed to the reader callback, also while
// it is writing or pausing, so the other side is never blocked by a full
// buffer. All waits end early once the stop flag is set (by a signal).
//
// Instead of a device the line can be a serial device server's TCP port on
// the loopback interface: one workstation connection at a time is served;
// while none is connected, writing waits, and when the connection drops the
// rest of the stream goes to the next one.
class SerialLine
{
public:
    using Reader = std::function<void(const QByteArray&)>;

    explicit SerialLine(const volatile std::sig_atomic_t* stop);
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // Opens the device raw, 8N1 at the given speed. False with lastError()
    // when it cannot be opened.
    bool open(const QString& path, int baud);
    // Listens on the loopback TCP port. False with lastError() when it cannot.
    bool listen(quint16 port);
    void setReader(Reader reader) { m_reader = std::move(reader); }

    // Writes every byte. False when stopped or when the device fails.
    bool write(const QByteArray& data);
    // Listens until the monotonic clock reaches the deadline (ms since
    // open). False when stopped or when the device fails.
    bool listenUntil(qint64 deadlineMs);
    // Listens until stopped or the device fails.
    void listenForever();

    qint64 elapsedMs() const { return m_clock.elapsed(); }
    const QString& lastError() const { return m_error; }

private:
    // Waits at most timeoutMs for input (and for room to write when asked).
    // False on a device failure.
    bool serve(int timeoutMs, bool wantWrite);
    // Waits at most timeoutMs for a workstation to connect.
    void accept(int timeoutMs);
    // The workstation went away; wait for the next one.
    void hangUp();
    bool stopped() const { return *m_stop != 0; }

    const volatile std::sig_atomic_t* m_stop;
    int m_fd = -1;
    int m_listenFd = -1;
    bool m_readable = false;
    Reader m_reader;
    QElapsedTimer m_clock;
    QString m_error;
};

} // namespace qalor::pbxsim
