#include "batch/TextEncoding.h"

#include <cstdint>
#include <cstring>

namespace trajetix {

TextEncoding detectByteOrderMark(const char *data, qsizetype size, qsizetype &markLength)
{
    const auto *b = reinterpret_cast<const uchar *>(data);
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        markLength = 3;
        return TextEncoding::Utf8;
    }
    if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        markLength = 2;
        return TextEncoding::Utf16LE;
    }
    if (size >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        markLength = 2;
        return TextEncoding::Utf16BE;
    }
    markLength = 0;
    return TextEncoding::Windows1252;
}

qsizetype utf8CompletePrefix(const uchar *p, qsizetype n)
{
    qsizetype i = 0;
    while (i < n) {
        // Plain ASCII runs are the common case: skip them eight bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if (word & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const uchar lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // Well-formed sequences (RFC 3629): no overlong forms, no surrogates, nothing past U+10FFFF.
        int length;
        uchar low = 0x80;
        uchar high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead == 0xE0) {
            length = 3;
            low = 0xA0;
        } else if ((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF) {
            length = 3;
        } else if (lead == 0xED) {
            length = 3;
            high = 0x9F;
        } else if (lead == 0xF0) {
            length = 4;
            low = 0x90;
        } else if (lead >= 0xF1 && lead <= 0xF3) {
            length = 4;
        } else if (lead == 0xF4) {
            length = 4;
            high = 0x8F;
        } else {
            return -1;
        }
        for (int k = 1; k < length; ++k) {
            if (i + k >= n)
                return i;
            const uchar b = p[i + k];
            const uchar lo = k == 1 ? low : uchar(0x80);
            const uchar hi = k == 1 ? high : uchar(0xBF);
            if (b < lo || b > hi)
                return -1;
        }
        i += length;
    }
    return n;
}

} // namespace trajetix
