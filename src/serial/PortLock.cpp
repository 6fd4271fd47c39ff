#include "serial/PortLock.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qalor {

PortLock::~PortLock()
{
    unlock();
}

QString PortLock::takenText()
{
    return QStringLiteral("串口正由另一个程序(计费软件或采集服务)读取");
}

PortLock::Result PortLock::failed(int error)
{
    m_error = QString::fromLocal8Bit(std::strerror(error));
    return error == EBUSY || error == EWOULDBLOCK || error == EADDRINUSE ? Result::Taken : Result::Failed;
}

PortLock::Result PortLock::lockDevice(const QString& path)
{
    unlock();
    // Opened only to be locked, without becoming the controlling terminal
    // and without waiting for a modem's carrier. A terminal another program
    // opened for itself alone (TIOCEXCL, as the serial port layer does)
    // refuses with EBUSY.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failed(errno);
    return keep(fd, ::flock(fd, LOCK_EX | LOCK_NB));
}

PortLock::Result PortLock::lockAddress(const QString& host, quint16 port)
{
    unlock();
    // A name in the abstract socket space: one program binds it, the others
    // are refused, and no file is needed (also under a read-only file system).
    const QByteArray name =
        "qalor-cdr-port tcp://" + host.toLower().toUtf8() + ':' + QByteArray::number(port);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const size_t length = std::min(size_t(name.size()), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.constData(), length);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return failed(errno);
    return keep(fd, ::bind(fd, reinterpret_cast<const sockaddr*>(&address),
                           socklen_t(offsetof(sockaddr_un, sun_path) + 1 + length)));
}

PortLock::Result PortLock::keep(int fd, int taken)
{
    if (taken != 0) {
        const int error = errno;
        ::close(fd);
        return failed(error);
    }
    m_fd = fd;
    m_error.clear();
    return Result::Locked;
}

void PortLock::unlock()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}

} // namespace qalor
