#pragma once

#include "FuzzSupport.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// The address file as the checks see it, independently of the program's readers:
// which byte-order mark it has and its text as UTF-16 code units or bytes.
namespace trajetix::fuzz {

enum class Mark { None, Utf8, Utf16LE, Utf16BE };

Mark markOf(const QByteArray &file, int &markLength);

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF, nothing
// cut off), decoded code point by code point; nullopt when the bytes are not that.
std::optional<QString> strictUtf8(const QByteArray &bytes);

// The code units of UTF-16 bytes; a lone last byte is left out.
QString utf16Units(const QByteArray &bytes, bool bigEndian);

// The file bytes for an input: `choice` picks a mark to put in front (or none, so
// the input's own first bytes decide) and, now and then, how far to push the input's
// text towards the readers' chunk borders with a long first run of 'a's.
QByteArray buildTextFile(const QByteArray &content, quint8 choice, quint16 shift);

void writeScratchFile(const QString &path, const QByteArray &bytes);

} // namespace trajetix::fuzz
