#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace trajetix {

// The program's 8-bit code page for text files without a byte-order mark (the
// address file, the result file, the settings file): Windows-1252.
namespace codepage {

// Never fails: the five bytes Windows-1252 leaves undefined become the C1 control
// characters of the same value, so every byte survives a decode/encode round trip.
QString decode(QByteArrayView bytes);

// Characters of the code page are written as themselves; others as a close
// equivalent where one exists (Ł as L, ź as z), else as '?'.
QByteArray encode(QStringView text);

} // namespace codepage
} // namespace trajetix
