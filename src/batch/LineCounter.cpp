#include "batch/LineCounter.h"

#include "batch/PosixFile.h"
#include "batch/TextEncoding.h"

#include <QtEndian>

#include <climits>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace trajetix {

namespace {

constexpr qint64 ChunkSize = 256 * 1024;

// Line breaks of 8-bit (or UTF-8) text, fed in consecutive pieces. In UTF-8 the CR
// and LF bytes never occur inside a multi-byte sequence, so bytes can be counted as
// they are.
class ByteBreaks {
  public:
    void feed(const uchar *p, qint64 n)
    {
        if (n <= 0)
            return;
        qint64 lf = 0;
        qint64 cr = 0;
        qint64 crlf = 0; // CR directly followed by LF: one break, counted once
        if (m_lastWasCR && p[0] == '\n')
            ++crlf;
        qint64 i = 0;
#if defined(__SSE2__) && defined(__x86_64__)
        // Sixteen bytes at a time; each byte counter takes at most 255 steps before
        // it is summed. A CR's follower is read from the next position, so the loop
        // stops one byte early.
        const __m128i lfPattern = _mm_set1_epi8('\n');
        const __m128i crPattern = _mm_set1_epi8('\r');
        while (i + 17 <= n) {
            __m128i lfCounts = _mm_setzero_si128();
            __m128i crCounts = _mm_setzero_si128();
            __m128i pairCounts = _mm_setzero_si128();
            for (int steps = 0; steps < 255 && i + 17 <= n; ++steps, i += 16) {
                const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
                const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i + 1));
                const __m128i isLF = _mm_cmpeq_epi8(here, lfPattern);
                const __m128i isCR = _mm_cmpeq_epi8(here, crPattern);
                lfCounts = _mm_sub_epi8(lfCounts, isLF);
                crCounts = _mm_sub_epi8(crCounts, isCR);
                pairCounts = _mm_sub_epi8(pairCounts, _mm_and_si128(isCR, _mm_cmpeq_epi8(next, lfPattern)));
            }
            lf += sumOfBytes(lfCounts);
            cr += sumOfBytes(crCounts);
            crlf += sumOfBytes(pairCounts);
        }
#endif
        for (; i < n; ++i) {
            if (p[i] == '\n') {
                ++lf;
            } else if (p[i] == '\r') {
                ++cr;
                if (i + 1 < n && p[i + 1] == '\n')
                    ++crlf;
            }
        }
        m_breaks += lf + cr - crlf;
        m_last = p[n - 1];
        m_lastWasCR = m_last == '\r';
        m_any = true;
    }

    qint64 lines() const
    {
        return m_breaks + ((m_any && m_last != '\r' && m_last != '\n') ? 1 : 0);
    }

  private:
#if defined(__SSE2__) && defined(__x86_64__)
    static qint64 sumOfBytes(__m128i counts)
    {
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        return _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
    }
#endif

    qint64 m_breaks = 0;
    uchar m_last = 0;
    bool m_lastWasCR = false;
    bool m_any = false;
};

// The same for UTF-16 code units; bigEndian tells how the bytes are ordered.
class UnitBreaks {
  public:
    explicit UnitBreaks(bool bigEndian) : m_bigEndian(bigEndian) {}

    void feed(const uchar *p, qint64 units)
    {
        if (units <= 0)
            return;
        qint64 lf = 0;
        qint64 cr = 0;
        qint64 crlf = 0;
        char16_t previous = m_lastWasCR ? u'\r' : u'\0';
        for (qint64 i = 0; i < units; ++i) {
            const char16_t unit =
                m_bigEndian ? qFromBigEndian<char16_t>(p + 2 * i) : qFromLittleEndian<char16_t>(p + 2 * i);
            if (unit == u'\n') {
                ++lf;
                if (previous == u'\r')
                    ++crlf;
            } else if (unit == u'\r') {
                ++cr;
            }
            previous = unit;
        }
        m_breaks += lf + cr - crlf;
        m_lastIsBreak = previous == u'\r' || previous == u'\n';
        m_lastWasCR = previous == u'\r';
        m_any = true;
    }

    qint64 lines() const { return m_breaks + ((m_any && !m_lastIsBreak) ? 1 : 0); }

  private:
    bool m_bigEndian;
    qint64 m_breaks = 0;
    bool m_lastWasCR = false;
    bool m_lastIsBreak = false;
    bool m_any = false;
};

struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            posixfile::closeFile(fd);
    }
};

} // namespace

std::optional<int> countAddressLines(const QString &fileName)
{
    Descriptor file;
    file.fd = posixfile::openForReading(fileName);
    if (file.fd < 0)
        return std::nullopt;
    ::posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    // A few spare bytes in front hold what a chunk leaves over for the next one.
    constexpr qint64 Spare = 8;
    std::unique_ptr<char[]> storage(new char[ChunkSize + Spare]);
    char *const buffer = storage.get();

    qint64 filled = posixfile::readFully(file.fd, buffer, ChunkSize);
    if (filled < 0)
        return std::nullopt;
    qsizetype markLength = 0;
    const TextEncoding encoding = detectByteOrderMark(buffer, filled, markLength);

    ByteBreaks bytes;
    UnitBreaks units(encoding == TextEncoding::Utf16BE);
    qint64 start = markLength; // the mark is not part of the text
    for (;;) {
        const auto *data = reinterpret_cast<const uchar *>(buffer);
        qint64 carry = 0;
        switch (encoding) {
        case TextEncoding::Windows1252:
            bytes.feed(data + start, filled - start);
            break;
        case TextEncoding::Utf8: {
            const qsizetype valid = utf8CompletePrefix(data + start, filled - start);
            if (valid < 0)
                return std::nullopt;
            bytes.feed(data + start, valid);
            carry = filled - start - valid;
            break;
        }
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            units.feed(data + start, (filled - start) / 2);
            carry = (filled - start) % 2;
            break;
        }
        std::memmove(buffer, buffer + filled - carry, size_t(carry));
        const qint64 got = posixfile::readSome(file.fd, buffer + carry, ChunkSize);
        if (got < 0)
            return std::nullopt;
        if (got == 0) {
            // A UTF-8 sequence cut off by the end of the file is invalid; a lone
            // byte after UTF-16 text has no character and is left out.
            if (carry > 0 && encoding == TextEncoding::Utf8)
                return std::nullopt;
            break;
        }
        filled = carry + got;
        start = 0;
    }

    const qint64 lines = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE
                             ? units.lines()
                             : bytes.lines();
    if (lines > INT_MAX)
        return std::nullopt;
    return int(lines);
}

} // namespace trajetix
