#include "batch/ResultWriter.h"

#include "i18n/CodePage.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trajetix {

namespace {
constexpr qsizetype BufferSize = 64 * 1024;
} // namespace

ResultWriter::~ResultWriter()
{
    close();
}

ResultWriter::OpenResult ResultWriter::open(const QString &fileName, const FileIdentity &input)
{
    close();
    m_failed = false;
    m_errno = 0;
    m_markWritten = false;
    m_buffer.clear();
    if (fileName.isEmpty()) {
        m_errno = ENOENT;
        return OpenResult::Failed;
    }

    // Opening with truncation would already destroy the address file, so its
    // identity is compared first, and once more on the opened file before emptying it
    // (the name might have been switched in between).
    FileIdentity existing;
    if (posixfile::identityOf(fileName, existing) && existing == input) {
        m_errno = EBUSY;
        return OpenResult::SameAsInput;
    }
    const QByteArray name = QFile::encodeName(fileName);
    int fd;
    do {
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_errno = errno;
        return OpenResult::Failed;
    }
    FileIdentity opened;
    if (!posixfile::identityOf(fd, opened)) {
        m_errno = errno;
        posixfile::closeFile(fd);
        return OpenResult::Failed;
    }
    if (opened == input) {
        posixfile::closeFile(fd);
        m_errno = EBUSY;
        return OpenResult::SameAsInput;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) {
        m_errno = errno;
        posixfile::closeFile(fd);
        return OpenResult::Failed;
    }
    m_fd = fd;
    m_buffer.reserve(BufferSize + 1024);
    return OpenResult::Opened;
}

bool ResultWriter::writeRow(const QString &row)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (m_unicode) {
        if (!m_markWritten) {
            m_buffer.append("\xEF\xBB\xBF");
            m_markWritten = true;
        }
        m_buffer.append(row.toUtf8());
    } else {
        m_buffer.append(codepage::encode(row));
    }
    m_buffer.append("\r\n");
    if (m_buffer.size() >= BufferSize)
        return flush();
    return true;
}

bool ResultWriter::flush()
{
    if (m_failed)
        return false;
    const char *data = m_buffer.constData();
    qsizetype left = m_buffer.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail();
        }
        if (written == 0) {
            errno = EIO;
            return fail();
        }
        data += written;
        left -= written;
    }
    m_buffer.clear();
    return true;
}

bool ResultWriter::fail()
{
    m_errno = errno;
    m_failed = true;
    m_buffer.clear();
    return false;
}

bool ResultWriter::finish()
{
    if (m_fd < 0 || !flush())
        return false;
    // Devices and pipes cannot be synced; that says nothing about the data.
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP)
        return fail();
    return true;
}

bool ResultWriter::close()
{
    if (m_fd < 0)
        return !m_failed;
    const bool flushed = !m_failed && flush();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR && flushed) {
        fail();
        return false;
    }
    return flushed;
}

} // namespace trajetix
