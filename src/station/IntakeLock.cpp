#include "station/IntakeLock.h"

#include "intake/DataFolder.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qalor {

IntakeLock::IntakeLock(const QString& path) : m_path(path) {}

QString IntakeLock::pathInDataFolder()
{
    return dataFolder() + QStringLiteral("/intake.lock");
}

IntakeLock::~IntakeLock()
{
    unlock();
}

bool IntakeLock::tryLock()
{
    if (m_fd >= 0)
        return true;
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_error = errno == EWOULDBLOCK ? QString() : QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    m_error.clear();
    m_fd = fd;
    return true;
}

void IntakeLock::unlock()
{
    if (m_fd < 0)
        return;
    // The file stays: removing it could let two programs lock two files of one name.
    ::close(m_fd);
    m_fd = -1;
}

} // namespace qalor
