#include "batch/PosixFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trajetix::posixfile {

int openForReading(const QString &fileName)
{
    if (fileName.isEmpty()) {
        errno = ENOENT;
        return -1;
    }
    const QByteArray name = QFile::encodeName(fileName);
    int fd;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st;
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

qint64 readSome(int fd, char *buffer, qint64 size)
{
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size_t(size));
        if (got >= 0)
            return got;
        if (errno != EINTR)
            return -1;
    }
}

qint64 readFully(int fd, char *buffer, qint64 size)
{
    qint64 total = 0;
    while (total < size) {
        const qint64 got = readSome(fd, buffer + total, size - total);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

bool identityOf(int fd, FileIdentity &identity)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    identity = {st.st_dev, st.st_ino};
    return true;
}

bool identityOf(const QString &fileName, FileIdentity &identity)
{
    struct stat st;
    if (fileName.isEmpty() || ::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return false;
    identity = {st.st_dev, st.st_ino};
    return true;
}

bool closeFile(int fd)
{
    return ::close(fd) == 0 || errno == EINTR;
}

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace trajetix::posixfile
