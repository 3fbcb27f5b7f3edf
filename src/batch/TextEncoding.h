#pragma once

#include <QtGlobal>

namespace trajetix {

// How an address file's bytes turn into text. Files without a byte-order mark are
// Windows-1252; a mark at the very start chooses its Unicode form.
enum class TextEncoding { Windows1252, Utf8, Utf16LE, Utf16BE };

// Looks at the first bytes of a file (size of them available) and returns the
// encoding they announce; markLength receives the mark's size (0 without one).
TextEncoding detectByteOrderMark(const char *data, qsizetype size, qsizetype &markLength);

// The length of the longest prefix of data made of complete, valid UTF-8 sequences,
// or -1 when an invalid sequence is met. What lies after the returned length is the
// start of a sequence cut off by the end of the data (at most three bytes), so a
// caller reading in chunks carries it over to the next chunk.
qsizetype utf8CompletePrefix(const uchar *data, qsizetype size);

inline bool isValidUtf8(const char *data, qsizetype size)
{
    return utf8CompletePrefix(reinterpret_cast<const uchar *>(data), size) == size;
}

} // namespace trajetix
