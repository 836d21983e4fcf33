#include "PtyEndpoint.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtyEndpoint::~PtyEndpoint()
{
    close();
}

bool PtyEndpoint::open(const QString &linkPath, QString *error)
{
    close();
    auto fail = [&](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        close();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    const char *name = ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);
    m_slaveKeepAlive = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slaveKeepAlive < 0)
        return fail("open slave");
    // Raw before anything is written, or the line discipline echoes and
    // rewrites the bytes.
    termios tio {};
    if (tcgetattr(m_slaveKeepAlive, &tio) != 0)
        return fail("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    if (tcsetattr(m_slaveKeepAlive, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    if (!linkPath.isEmpty()) {
        QFile::remove(linkPath);
        if (::symlink(name, QFile::encodeName(linkPath).constData()) != 0)
            return fail("symlink");
        m_linkPath = linkPath;
    }
    return true;
}

void PtyEndpoint::close()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slaveKeepAlive >= 0)
        ::close(m_slaveKeepAlive);
    m_master = -1;
    m_slaveKeepAlive = -1;
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
    m_linkPath.clear();
}

int PtyEndpoint::lineBaudRate() const
{
    termios tio {};
    if (m_master < 0 || tcgetattr(m_master, &tio) != 0)
        return 0;
    switch (cfgetispeed(&tio)) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
    }
}

QByteArray PtyEndpoint::readAvailable(bool *closed)
{
    if (closed)
        *closed = false;
    QByteArray out;
    if (m_master < 0) {
        if (closed)
            *closed = true;
        return out;
    }
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            break;
        // EIO: no slave is open any more.
        if (closed)
            *closed = true;
        break;
    }
    return out;
}

bool PtyEndpoint::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            usleep(200);
        } else {
            return false;
        }
    }
    return done == bytes.size();
}
