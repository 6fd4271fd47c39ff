#pragma once

#include <QString>

namespace qalor {

// Keeps a second program of this machine from reading the CDR line another
// one reads, whichever program (workstation or collector), user, settings or
// data folder it is: a lock on the serial device itself (its node, whatever
// name the device is opened by), or, for a serial device server's port, on a
// name made of its address. The system drops it with the program however it
// ends (also by SIGKILL), so it is never left behind.
class PortLock
{
public:
    enum class Result { Locked, Taken, Failed };

    PortLock() = default;
    ~PortLock();
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    Result lockDevice(const QString& path);
    Result lockAddress(const QString& host, quint16 port);
    void unlock();
    bool locked() const { return m_fd >= 0; }
    // Why the last attempt failed (Failed), in the system's words.
    const QString& error() const { return m_error; }

    // What a port another program reads says.
    static QString takenText();

private:
    Result failed(int error);
    // Keeps fd as the lock when taking it (the call's result) succeeded; closes it otherwise.
    Result keep(int fd, int taken);

    int m_fd = -1;
    QString m_error;
};

} // namespace qalor
