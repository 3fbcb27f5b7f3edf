#include "routes/RouteMatrixRequest.h"

namespace trajetix {
namespace routes {

QString travelModeFor(QStringView modeWord)
{
    if (modeWord == u"driving")
        return QStringLiteral("DRIVE");
    if (modeWord == u"walking")
        return QStringLiteral("WALK");
    return QStringLiteral("BICYCLE");
}

bool isBetaTravelMode(QStringView travelMode)
{
    return travelMode == u"WALK" || travelMode == u"BICYCLE";
}

QByteArray jsonString(QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(text.size() + 2);
    out.append('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'"':
            out.append("\\\"");
            continue;
        case u'\\':
            out.append("\\\\");
            continue;
        case u'\b':
            out.append("\\b");
            continue;
        case u'\f':
            out.append("\\f");
            continue;
        case u'\n':
            out.append("\\n");
            continue;
        case u'\r':
            out.append("\\r");
            continue;
        case u'\t':
            out.append("\\t");
            continue;
        default:
            break;
        }
        if (c < 0x20) {
            out.append("\\u00");
            out.append(hex[c >> 4]);
            out.append(hex[c & 0xF]);
            continue;
        }
        if (c < 0x80) {
            out.append(char(c));
            continue;
        }
        // One character as UTF-16 units, then UTF-8. (QString::fromUcs4 would take a
        // U+FEFF for a byte-order mark and drop it.)
        char16_t units[2] = {c, 0};
        qsizetype count = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            units[1] = text[i + 1].unicode();
            count = 2;
            ++i;
        } else if (QChar::isSurrogate(c)) {
            units[0] = 0xFFFD;
        }
        out.append(QStringView(units, count).toUtf8());
    }
    out.append('"');
    return out;
}

QByteArray requestBody(QStringView origin, QStringView destination, QStringView travelMode)
{
    return QByteArrayLiteral("{\"origins\":[{\"waypoint\":{\"address\":") + jsonString(origin) +
           QByteArrayLiteral("}}],\"destinations\":[{\"waypoint\":{\"address\":") + jsonString(destination) +
           QByteArrayLiteral("}}],\"travelMode\":") + jsonString(travelMode) +
           QByteArrayLiteral(",\"languageCode\":\"pt\",\"units\":\"METRIC\"}");
}

} // namespace routes
} // namespace trajetix
