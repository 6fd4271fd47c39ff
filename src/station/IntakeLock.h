#pragma once

#include <QString>

namespace qalor {

// Who takes in the CDR port's characters with the journals of a data
// folder: the workstation reading the port, or a collector. An advisory
// lock on a file of the folder, held while the program runs; the system
// drops it when the program ends in any way (also by SIGKILL), so a lock is
// never left behind.
class IntakeLock
{
public:
    explicit IntakeLock(const QString& path);
    // The lock file of the data folder's journals, which the window and the
    // collector both take before they read the CDR port.
    static QString pathInDataFolder();
    ~IntakeLock();
    IntakeLock(const IntakeLock&) = delete;
    IntakeLock& operator=(const IntakeLock&) = delete;

    // False when another program holds it, or when the file cannot be made
    // (error() then says why).
    bool tryLock();
    void unlock();
    bool locked() const { return m_fd >= 0; }
    // Why the file could not be made or locked; empty when another program holds it.
    const QString& error() const { return m_error; }

private:
    QString m_path;
    int m_fd = -1;
    QString m_error;
};

} // namespace qalor
