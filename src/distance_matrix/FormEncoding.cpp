#include "distance_matrix/FormEncoding.h"

#include <QString>

namespace trajetix {

QByteArray formUrlEncode(QStringView value)
{
    static const char hex[] = "0123456789ABCDEF";
    // An unpaired surrogate cannot be written in UTF-8: it goes out as U+FFFD (Qt's own
    // conversion would write "?", which reads as a real question mark at the other end).
    QString scalars = value.toString();
    for (qsizetype i = 0; i < scalars.size(); ++i) {
        const QChar c = scalars.at(i);
        if (c.isHighSurrogate() && i + 1 < scalars.size() && scalars.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            scalars[i] = QChar::ReplacementCharacter;
    }
    const QByteArray utf8 = scalars.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() * 3);
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '*' ||
            b == '-' || b == '.' || b == '_') {
            out.append(c);
        } else if (b == ' ') {
            out.append('+');
        } else {
            out.append('%');
            out.append(hex[b >> 4]);
            out.append(hex[b & 0x0F]);
        }
    }
    return out;
}

} // namespace trajetix
