#include "settings/IntegerText.h"

#include <QtGlobal>

namespace trajetix {

namespace {

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

[[noreturn]] void notAnInteger(const QString &text)
{
    throw SettingsError(u'\'' + text + u"' is not a valid integer value for Integer type");
}

} // namespace

int strToInt(const QString &text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text.at(i) == u' ')
        ++i;

    bool negative = false;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }

    int base = 10;
    if (i < n && (text.at(i) == u'$' || text.at(i) == u'x' || text.at(i) == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == n)
        notAnInteger(text);

    // Hexadecimal is a 32-bit pattern; decimal must lie in the signed range.
    const quint64 limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    quint64 value = 0;
    for (; i < n; ++i) {
        const int digit = digitValue(text.at(i), base);
        if (digit < 0)
            notAnInteger(text);
        value = value * quint64(base) + quint64(digit);
        if (value > limit)
            notAnInteger(text);
    }

    if (base == 16) {
        quint32 bits = quint32(value);
        if (negative)
            bits = 0u - bits;
        return qint32(bits);
    }
    return int(negative ? -qint64(value) : qint64(value));
}

} // namespace trajetix
