#include "SerialLine.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace qalor::pbxsim {

namespace {

speed_t speedFor(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B9600;
    }
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

SerialLine::SerialLine(const volatile std::sig_atomic_t* stop) : m_stop(stop) {}

SerialLine::~SerialLine()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_listenFd >= 0)
        ::close(m_listenFd);
}

bool SerialLine::listen(quint16 port)
{
    // A workstation that goes away must not end the simulator.
    std::signal(SIGPIPE, SIG_IGN);
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        m_error = systemError();
        return false;
    }
    const int on = 1;
    setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0 ||
        ::listen(m_listenFd, 1) < 0) {
        m_error = systemError();
        return false;
    }
    m_readable = true;
    m_clock.start();
    return true;
}

void SerialLine::accept(int timeoutMs)
{
    pollfd watch{m_listenFd, POLLIN, 0};
    if (::poll(&watch, 1, std::max(0, timeoutMs)) <= 0)
        return;
    m_fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (m_fd >= 0)
        std::fprintf(stderr, "qalor-pbxsim: workstation connected\n");
}

void SerialLine::hangUp()
{
    ::close(m_fd);
    m_fd = -1;
    std::fprintf(stderr, "qalor-pbxsim: workstation disconnected, waiting for the next connection\n");
}

bool SerialLine::open(const QString& path, int baud)
{
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = systemError();
        return false;
    }
    struct stat info
    {
    };
    if (fstat(m_fd, &info) == 0)
        m_readable = S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode);
    if (isatty(m_fd)) {
        termios mode{};
        if (tcgetattr(m_fd, &mode) == 0) {
            cfmakeraw(&mode);
            mode.c_cflag |= CLOCAL | CREAD;
            cfsetispeed(&mode, speedFor(baud));
            cfsetospeed(&mode, speedFor(baud));
            tcsetattr(m_fd, TCSANOW, &mode);
        }
    }
    m_clock.start();
    return true;
}

bool SerialLine::serve(int timeoutMs, bool wantWrite)
{
    if (m_listenFd >= 0 && m_fd < 0) {
        accept(timeoutMs);
        return true;
    }
    pollfd watch{m_fd, short((m_readable ? POLLIN : 0) | (wantWrite ? POLLOUT : 0)), 0};
    if (!m_readable && !wantWrite) {
        ::usleep(useconds_t(std::max(0, timeoutMs)) * 1000);
        return true;
    }
    const int ready = ::poll(&watch, 1, std::max(0, timeoutMs));
    if (ready < 0)
        return errno == EINTR;
    if (ready == 0)
        return true;
    if (watch.revents & POLLIN) {
        char buffer[4096];
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got > 0 && m_reader)
            m_reader(QByteArray(buffer, got));
        if (m_listenFd >= 0 && (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))) {
            hangUp();
            return true;
        }
        if (got < 0 && errno != EAGAIN && errno != EINTR) {
            m_error = systemError();
            return false;
        }
    } else if (m_listenFd >= 0 && (watch.revents & (POLLERR | POLLHUP))) {
        hangUp();
    } else if (watch.revents & (POLLERR | POLLNVAL)) {
        m_error = QStringLiteral("the device reported an error");
        return false;
    } else if ((watch.revents & POLLHUP) && !wantWrite) {
        // Nobody holds the other end for now; keep the line and try again.
        ::usleep(useconds_t(std::max(0, std::min(timeoutMs, 50))) * 1000);
    }
    return true;
}

bool SerialLine::write(const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        if (stopped())
            return false;
        if (m_fd < 0) {
            if (!serve(100, false))
                return false;
            continue;
        }
        const ssize_t put = ::write(m_fd, data.constData() + done, size_t(data.size() - done));
        if (put > 0) {
            done += put;
            continue;
        }
        if (put < 0 && m_listenFd >= 0 && errno != EAGAIN && errno != EINTR) {
            hangUp();
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EINTR) {
            m_error = systemError();
            return false;
        }
        if (!serve(100, true))
            return false;
    }
    // Whatever came back meanwhile is recorded before the next write.
    return serve(0, false) && !stopped();
}

bool SerialLine::listenUntil(qint64 deadlineMs)
{
    for (;;) {
        if (stopped())
            return false;
        const qint64 left = deadlineMs - elapsedMs();
        if (left <= 0)
            return true;
        if (!serve(int(std::min<qint64>(left, 200)), false))
            return false;
    }
}

void SerialLine::listenForever()
{
    while (!stopped()) {
        if (!serve(200, false))
            return;
    }
}

} // namespace qalor::pbxsim
