#include "batch/ResultWriter.h"

#include "batch/ResultFile.h"
#include "i18n/CodePage.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trajetix {

namespace {

constexpr qsizetype BufferSize = 64 * 1024;
constexpr std::chrono::seconds DurableInterval{1};

// Devices and pipes cannot be synced; that says nothing about the data.
bool syncFailed(int result)
{
    return result != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP;
}

void syncFolderOf(const QByteArray &name)
{
    const qsizetype slash = name.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : name.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

ResultWriter::~ResultWriter()
{
    close();
}

ResultWriter::OpenResult ResultWriter::open(const QString &fileName, const FileIdentity &input)
{
    return openFile(fileName, input, true);
}

ResultWriter::OpenResult ResultWriter::openFile(const QString &fileName, const FileIdentity &input,
                                                bool truncate)
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
    if (truncate && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) {
        m_errno = errno;
        posixfile::closeFile(fd);
        return OpenResult::Failed;
    }
    m_fd = fd;
    m_buffer.reserve(BufferSize + 1024);
    return OpenResult::Opened;
}

ResultWriter::OpenResult ResultWriter::openToAppend(const QString &fileName, const FileIdentity &input,
                                                    qint64 keepBytes)
{
    const OpenResult opened = openFile(fileName, input, false);
    if (opened != OpenResult::Opened)
        return opened;
    struct stat st;
    if (::fstat(m_fd, &st) != 0 ||
        (S_ISREG(st.st_mode) && st.st_size != keepBytes && ::ftruncate(m_fd, off_t(keepBytes)) != 0) ||
        ::lseek(m_fd, 0, SEEK_END) < 0) {
        m_errno = errno;
        posixfile::closeFile(m_fd);
        m_fd = -1;
        return OpenResult::Failed;
    }
    m_markWritten = keepBytes > 0;
    return OpenResult::Opened;
}

ResultWriter::OpenResult ResultWriter::openReplacement(const QString &fileName, const FileIdentity &input)
{
    close();
    m_failed = false;
    m_errno = 0;
    m_markWritten = false;
    m_buffer.clear();
    FileIdentity existing;
    if (!posixfile::identityOf(fileName, existing)) {
        m_errno = errno;
        return OpenResult::Failed;
    }
    if (existing == input) {
        m_errno = EBUSY;
        return OpenResult::SameAsInput;
    }
    // Through a symbolic link the file it leads to is replaced, not the link.
    const QString target = QFileInfo(fileName).canonicalFilePath();
    if (target.isEmpty()) {
        m_errno = ENOENT;
        return OpenResult::Failed;
    }
    QByteArray pattern = QFile::encodeName(target) + ".trajetix-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        m_errno = errno;
        return OpenResult::Failed;
    }
    // The new file gets the old one's permissions (mkostemp makes it private).
    struct stat st;
    if (::stat(QFile::encodeName(target).constData(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);
    m_fd = fd;
    m_replacementName = QFile::decodeName(pattern);
    m_replacedName = target;
    m_buffer.reserve(BufferSize + 1024);
    return OpenResult::Opened;
}

void ResultWriter::setDurable(bool durable)
{
    if (!durable) {
        stopTicker();
        return;
    }
    if (m_fd < 0 || m_ticker.joinable())
        return;
    m_tickerStop = false;
    m_ticker = std::thread([this] { tick(); });
}

void ResultWriter::tick()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_tickerWake.wait_for(lock, DurableInterval, [this] { return m_tickerStop; });
        if (m_tickerStop)
            return;
        if (m_failed)
            continue;
        if (!m_buffer.isEmpty())
            flushLocked();
        if (!m_dirty)
            continue;
        m_dirty = false;
        const int fd = m_fd;
        // The sync runs without the lock, so rows can be added meanwhile; the descriptor
        // stays open because close() stops this thread first.
        lock.unlock();
        const bool failed = syncFailed(::fdatasync(fd));
        const int error = errno;
        lock.lock();
        if (failed && !m_failed) {
            errno = error;
            fail();
        }
    }
}

void ResultWriter::stopTicker()
{
    if (!m_ticker.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tickerStop = true;
    }
    m_tickerWake.notify_all();
    m_ticker.join();
}

bool ResultWriter::writeRow(const QString &row)
{
    return writeEncodedRow(m_unicode ? row.toUtf8() : codepage::encode(row));
}

bool ResultWriter::writeEncodedRow(const QByteArray &row)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return appendLocked(row);
}

bool ResultWriter::appendLocked(const QByteArray &encodedRow)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (m_unicode && !m_markWritten) {
        m_buffer.append(Utf8Mark, Utf8MarkLength);
        m_markWritten = true;
    }
    m_buffer.append(encodedRow);
    m_buffer.append("\r\n");
    if (m_buffer.size() >= BufferSize)
        return flushLocked();
    return true;
}

bool ResultWriter::flush()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fd >= 0 && flushLocked();
}

bool ResultWriter::flushLocked()
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
        m_dirty = true;
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

bool ResultWriter::hasFailed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failed;
}

int ResultWriter::errorNumber() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_errno;
}

bool ResultWriter::finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_fd < 0 || !flushLocked())
        return false;
    if (syncFailed(::fsync(m_fd)))
        return fail();
    return true;
}

bool ResultWriter::commit()
{
    if (m_replacementName.isEmpty() || !finish())
        return false;
    stopTicker();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        fail();
        close();
        return false;
    }
    const QByteArray from = QFile::encodeName(m_replacementName);
    const QByteArray to = QFile::encodeName(m_replacedName);
    if (::rename(from.constData(), to.constData()) != 0) {
        fail();
        close();
        return false;
    }
    m_replacementName.clear();
    syncFolderOf(to);
    return true;
}

bool ResultWriter::close()
{
    stopTicker();
    bool ok = !m_failed;
    if (m_fd >= 0) {
        const bool flushed = !m_failed && flushLocked();
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR && flushed)
            fail();
        ok = flushed && !m_failed;
    }
    if (!m_replacementName.isEmpty()) {
        // Never committed: the file it was to replace stays as it was.
        ::unlink(QFile::encodeName(m_replacementName).constData());
        m_replacementName.clear();
    }
    return ok;
}

} // namespace trajetix
