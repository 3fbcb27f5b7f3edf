#include "TextFileModel.h"

#include <QFile>

#include <stdexcept>

namespace trajetix::fuzz {

Mark markOf(const QByteArray &file, int &markLength)
{
    markLength = 0;
    if (file.startsWith("\xEF\xBB\xBF")) {
        markLength = 3;
        return Mark::Utf8;
    }
    if (file.startsWith("\xFF\xFE")) {
        markLength = 2;
        return Mark::Utf16LE;
    }
    if (file.startsWith("\xFE\xFF")) {
        markLength = 2;
        return Mark::Utf16BE;
    }
    return Mark::None;
}

std::optional<QString> strictUtf8(const QByteArray &bytes)
{
    QString text;
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar lead = p[i];
        int length = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            length = 1;
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            cp = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + length > n)
            return std::nullopt;
        for (int k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return std::nullopt;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < smallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return std::nullopt;
        if (cp >= 0x10000) {
            text.append(QChar(char16_t(0xD800 + ((cp - 0x10000) >> 10))));
            text.append(QChar(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF))));
        } else {
            text.append(QChar(char16_t(cp)));
        }
        i += length;
    }
    return text;
}

QString utf16Units(const QByteArray &bytes, bool bigEndian)
{
    QString units;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const uchar a = uchar(bytes.at(i)), b = uchar(bytes.at(i + 1));
        units.append(QChar(char16_t(bigEndian ? (a << 8 | b) : (b << 8 | a))));
    }
    return units;
}

QByteArray buildTextFile(const QByteArray &content, quint8 choice, quint16 shift)
{
    QByteArray mark;
    switch (choice & 3) {
    case 1:
        mark = "\xEF\xBB\xBF";
        break;
    case 2:
        mark = "\xFF\xFE";
        break;
    case 3:
        mark = "\xFE\xFF";
        break;
    default:
        break;
    }
    QByteArray file = mark + content;
    // Now and then (a quarter of the inputs) the content starts just before (or after)
    // a 64 KiB or 256 KiB border, behind a first line of 'a's in the file's own encoding.
    const int pad = (choice >> 2) & 7;
    if (pad == 1 || pad == 2) {
        int markLength = 0;
        const Mark kind = markOf(file, markLength);
        const qsizetype border = pad == 2 ? 256 * 1024 : 64 * 1024;
        const qsizetype wanted = border - markLength - 64 + (shift % 128);
        QByteArray padding;
        if (kind == Mark::Utf16LE)
            padding = QByteArray("a\0", 2).repeated(wanted / 2);
        else if (kind == Mark::Utf16BE)
            padding = QByteArray("\0a", 2).repeated(wanted / 2);
        else
            padding = QByteArray(wanted, 'a');
        file.insert(markLength, padding);
    }
    return file;
}

void writeScratchFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("scratch file cannot be written");
}

} // namespace trajetix::fuzz
