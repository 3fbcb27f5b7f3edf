#include "batch/ResultFile.h"

#include "batch/PosixFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace trajetix {

namespace {
constexpr qsizetype ChunkSize = 64 * 1024;
} // namespace

bool scanResultFile(const QString &fileName, ResultFileScan &scan, int &errorNumber)
{
    scan = ResultFileScan();
    errorNumber = 0;
    const int fd = posixfile::openForReading(fileName);
    if (fd < 0) {
        errorNumber = errno;
        return errorNumber == ENOENT;
    }
    scan.exists = true;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    QByteArray chunk(ChunkSize, Qt::Uninitialized);
    bool crBefore = false; // the previous chunk ended in CR
    for (;;) {
        const qint64 got = posixfile::readFully(fd, chunk.data(), ChunkSize);
        if (got < 0) {
            errorNumber = errno;
            posixfile::closeFile(fd);
            return false;
        }
        if (got == 0)
            break;
        const char *data = chunk.constData();
        if (scan.size == 0)
            scan.byteOrderMark = got >= Utf8MarkLength && std::memcmp(data, Utf8Mark, Utf8MarkLength) == 0;
        if (crBefore && data[0] == '\n') {
            ++scan.completeRows;
            scan.completeBytes = scan.size + 1;
        }
        const char *p = data;
        const char *end = data + got;
        while (p < end) {
            const auto *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
            if (!lf)
                break;
            if (lf > data && lf[-1] == '\r') {
                ++scan.completeRows;
                scan.completeBytes = scan.size + (lf - data) + 1;
            }
            p = lf + 1;
        }
        crBefore = data[got - 1] == '\r';
        scan.size += got;
    }
    posixfile::closeFile(fd);
    return true;
}

ResultRowReader::~ResultRowReader()
{
    close();
}

bool ResultRowReader::open(const QString &fileName)
{
    close();
    m_errno = 0;
    m_fd = posixfile::openForReading(fileName);
    if (m_fd < 0) {
        m_errno = errno;
        return false;
    }
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_chunk.resize(ChunkSize);
    const qint64 got = posixfile::readFully(m_fd, m_chunk.data(), ChunkSize);
    if (got < 0) {
        m_errno = errno;
        close();
        return false;
    }
    m_chunk.resize(got);
    m_eof = got < ChunkSize;
    m_mark = m_chunk.startsWith(QByteArrayView(Utf8Mark, Utf8MarkLength));
    m_pos = m_mark ? Utf8MarkLength : 0;
    return true;
}

void ResultRowReader::close()
{
    if (m_fd >= 0)
        posixfile::closeFile(m_fd);
    m_fd = -1;
    m_chunk.clear();
    m_pos = 0;
    m_eof = false;
    m_mark = false;
}

bool ResultRowReader::fill()
{
    // Keeps the bytes not yet used and adds the next chunk after them.
    m_chunk.remove(0, m_pos);
    m_pos = 0;
    if (m_eof)
        return true;
    const qsizetype kept = m_chunk.size();
    m_chunk.resize(kept + ChunkSize);
    const qint64 got = posixfile::readSome(m_fd, m_chunk.data() + kept, ChunkSize);
    if (got < 0) {
        m_errno = errno;
        m_chunk.resize(kept);
        return false;
    }
    m_chunk.resize(kept + got);
    m_eof = got == 0;
    return true;
}

ResultRowReader::Status ResultRowReader::readRow(QByteArray &row)
{
    if (m_fd < 0)
        return Status::End;
    qsizetype from = m_pos; // where the search for CR LF goes on
    for (;;) {
        const qsizetype crlf = m_chunk.indexOf("\r\n", from);
        if (crlf >= 0) {
            row = m_chunk.mid(m_pos, crlf - m_pos);
            m_pos = crlf + 2;
            return Status::Row;
        }
        if (m_eof) {
            if (m_pos >= m_chunk.size())
                return Status::End;
            row = m_chunk.mid(m_pos);
            m_pos = m_chunk.size();
            return Status::Incomplete;
        }
        // A CR at the very end may be the first half of the row's CR LF.
        const qsizetype searched = m_chunk.size() - m_pos;
        if (!fill())
            return Status::Error;
        from = qMax<qsizetype>(0, searched - 1);
    }
}

} // namespace trajetix
