#include "batch/AddressReader.h"

#include "i18n/CodePage.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace trajetix {

namespace {
constexpr qsizetype ChunkSize = 64 * 1024;
constexpr char CtrlZ = '\x1A';
} // namespace

AddressPair splitAddressLine(const QString &line)
{
    const qsizetype semicolon = line.indexOf(u';');
    if (semicolon < 0)
        return {QString(), line};
    return {line.left(semicolon), line.mid(semicolon + 1)};
}

AddressReader::~AddressReader()
{
    close();
}

bool AddressReader::open(const QString &fileName)
{
    close();
    m_errno = 0;
    m_fd = posixfile::openForReading(fileName);
    if (m_fd < 0) {
        m_errno = errno;
        return false;
    }
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (!posixfile::identityOf(m_fd, m_identity)) {
        m_errno = errno;
        close();
        return false;
    }
    struct stat st;
    if (::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode))
        m_sizeAtOpen = st.st_size;
    m_chunk.resize(ChunkSize);
    const qint64 got = posixfile::readFully(m_fd, m_chunk.data(), ChunkSize);
    if (got < 0) {
        m_errno = errno;
        close();
        return false;
    }
    m_bytesRead = got;
    m_chunk.resize(got);
    m_eof = got < ChunkSize;
    qsizetype markLength = 0;
    m_encoding = detectByteOrderMark(m_chunk.constData(), m_chunk.size(), markLength);
    m_pos = markLength;
    return true;
}

void AddressReader::close()
{
    if (m_fd >= 0)
        posixfile::closeFile(m_fd);
    m_fd = -1;
    m_chunk.clear();
    m_pos = 0;
    m_eof = false;
    m_sizeAtOpen = -1;
    m_bytesRead = 0;
    m_ended = false;
    m_line.clear();
    m_units.clear();
    m_unitPos = 0;
    m_unitLine.clear();
    m_oddByte = false;
}

// Reads the next chunk into m_chunk; false on a read failure. At the end of the
// file m_chunk stays empty and m_eof is set.
bool AddressReader::fill()
{
    m_chunk.resize(ChunkSize);
    m_pos = 0;
    const qint64 got = m_eof ? 0 : posixfile::readSome(m_fd, m_chunk.data(), ChunkSize);
    if (got < 0) {
        m_errno = errno;
        m_chunk.clear();
        return false;
    }
    m_chunk.resize(got);
    m_bytesRead += got;
    if (got == 0) {
        m_eof = true;
        if (m_bytesRead < m_sizeAtOpen) {
            // Cut short by someone else while it was read.
            m_errno = EIO;
            m_ended = true;
            m_chunk.clear();
            return false;
        }
    }
    return true;
}

AddressReader::Status AddressReader::readLine(QString &line)
{
    if (m_fd < 0 || m_ended)
        return Status::End;
    if (m_encoding == TextEncoding::Utf16LE || m_encoding == TextEncoding::Utf16BE)
        return readUnitLine(line);
    return readByteLine(line);
}

AddressReader::Status AddressReader::readByteLine(QString &line)
{
    m_line.clear();
    for (;;) {
        if (m_pos >= m_chunk.size()) {
            if (!fill())
                return Status::Error;
            if (m_chunk.isEmpty()) {
                // End of file: the text after the last LF is a line unless it is
                // nothing but dropped CRs.
                m_ended = true;
                const bool onlyCR =
                    std::all_of(m_line.cbegin(), m_line.cend(), [](char c) { return c == '\r'; });
                return onlyCR ? Status::End : finishByteLine(line);
            }
        }
        const char *start = m_chunk.constData() + m_pos;
        const qsizetype available = m_chunk.size() - m_pos;
        const auto *lf = static_cast<const char *>(std::memchr(start, '\n', size_t(available)));
        const qsizetype span = lf ? lf - start : available;
        if (const auto *z = static_cast<const char *>(std::memchr(start, CtrlZ, size_t(span)))) {
            m_line.append(start, z - start);
            m_ended = true;
            const bool onlyCR = std::all_of(m_line.cbegin(), m_line.cend(), [](char c) { return c == '\r'; });
            return onlyCR ? Status::End : finishByteLine(line);
        }
        m_line.append(start, span);
        if (lf) {
            m_pos += span + 1;
            return finishByteLine(line);
        }
        m_pos = m_chunk.size();
    }
}

AddressReader::Status AddressReader::finishByteLine(QString &line)
{
    if (m_encoding == TextEncoding::Utf8) {
        // Decoded before the CRs go, so a CR can never mend a broken sequence.
        if (!isValidUtf8(m_line.constData(), m_line.size())) {
            m_errno = EILSEQ;
            m_ended = true;
            return Status::Error;
        }
        // QString::fromUtf8 would drop a U+FEFF opening the line; after the file's own
        // mark it is text like any other (as it is in UTF-16 files).
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        line = decoder.decode(m_line);
        line.remove(u'\r');
    } else {
        m_line.replace("\r", "");
        line = codepage::decode(m_line);
    }
    m_line.clear();
    return Status::Line;
}

AddressReader::Status AddressReader::readUnitLine(QString &line)
{
    m_unitLine.clear();
    for (;;) {
        if (m_unitPos >= m_units.size()) {
            // Turn the next bytes into code units, keeping a lone last byte for later.
            m_units.clear();
            m_unitPos = 0;
            while (m_units.isEmpty()) {
                if (m_pos >= m_chunk.size()) {
                    if (!fill())
                        return Status::Error;
                    if (m_chunk.isEmpty()) {
                        m_ended = true;
                        if (m_oddByte) {
                            m_errno = EILSEQ;
                            return Status::Error;
                        }
                        const bool onlyCR = std::all_of(m_unitLine.cbegin(), m_unitLine.cend(),
                                                        [](QChar c) { return c == u'\r'; });
                        return onlyCR ? Status::End : finishUnitLine(line);
                    }
                }
                QByteArray bytes;
                if (m_oddByte)
                    bytes.append(m_pendingByte);
                bytes.append(m_chunk.constData() + m_pos, m_chunk.size() - m_pos);
                m_pos = m_chunk.size();
                m_oddByte = bytes.size() % 2 != 0;
                if (m_oddByte)
                    m_pendingByte = bytes.back();
                const qsizetype count = bytes.size() / 2;
                m_units.resize(count);
                char16_t *out = reinterpret_cast<char16_t *>(m_units.data());
                const auto *in = reinterpret_cast<const uchar *>(bytes.constData());
                for (qsizetype i = 0; i < count; ++i)
                    out[i] = m_encoding == TextEncoding::Utf16BE ? qFromBigEndian<char16_t>(in + 2 * i)
                                                                 : qFromLittleEndian<char16_t>(in + 2 * i);
            }
        }
        const QStringView rest = QStringView(m_units).mid(m_unitPos);
        const qsizetype lf = rest.indexOf(u'\n');
        const qsizetype span = lf >= 0 ? lf : rest.size();
        const qsizetype z = rest.left(span).indexOf(QChar(0x1A));
        if (z >= 0) {
            m_unitLine.append(rest.left(z));
            m_ended = true;
            const bool onlyCR =
                std::all_of(m_unitLine.cbegin(), m_unitLine.cend(), [](QChar c) { return c == u'\r'; });
            return onlyCR ? Status::End : finishUnitLine(line);
        }
        m_unitLine.append(rest.left(span));
        if (lf >= 0) {
            m_unitPos += span + 1;
            return finishUnitLine(line);
        }
        m_unitPos = m_units.size();
    }
}

AddressReader::Status AddressReader::finishUnitLine(QString &line)
{
    // Surrogates come in pairs; a pair never spans an LF, so a line can be checked alone.
    const qsizetype n = m_unitLine.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = m_unitLine.at(i);
        if (c.isHighSurrogate() && i + 1 < n && m_unitLine.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            m_errno = EILSEQ;
            m_ended = true;
            return Status::Error;
        }
    }
    m_unitLine.remove(u'\r');
    line = m_unitLine;
    m_unitLine.clear();
    return Status::Line;
}

} // namespace trajetix
