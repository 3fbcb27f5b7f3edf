// The request's query: for any four texts set in any order, the query holds the
// five parameters in their fixed order, uses only the characters the encoding
// allows, and decodes back to each text's UTF-8 (an unpaired surrogate as U+FFFD).
#include "FuzzSupport.h"

#include "distance_matrix/FormEncoding.h"
#include "distance_matrix/RestRequest.h"

namespace trajetix::fuzz {

namespace {

// UTF-8 written out code point by code point, independent of Qt's converter.
QByteArray referenceUtf8(const QString &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text.at(i).unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        } else if (QChar::isSurrogate(cp))
            cp = 0xFFFD;
        if (cp < 0x80) {
            out.append(char(cp));
        } else if (cp < 0x800) {
            out.append(char(0xC0 | (cp >> 6))).append(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.append(char(0xE0 | (cp >> 12)))
                .append(char(0x80 | ((cp >> 6) & 0x3F)))
                .append(char(0x80 | (cp & 0x3F)));
        } else {
            out.append(char(0xF0 | (cp >> 18))).append(char(0x80 | ((cp >> 12) & 0x3F)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F))).append(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

bool isUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' ||
           c == '-' || c == '.' || c == '_';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lower-case digits are not what the encoding writes
}

// The bytes an encoded value stands for; fails on anything the encoding never writes.
QByteArray formDecode(const QByteArray &encoded)
{
    QByteArray out;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded.at(i);
        if (c == '+') {
            out.append(' ');
        } else if (c == '%') {
            const int high = i + 1 < encoded.size() ? hexValue(encoded.at(i + 1)) : -1;
            const int low = i + 2 < encoded.size() ? hexValue(encoded.at(i + 2)) : -1;
            FUZZ_CHECK(high >= 0 && low >= 0, u"bad escape in " + QString::fromLatin1(encoded));
            const char byte = char(high * 16 + low);
            FUZZ_CHECK(!isUnreserved(byte) && byte != ' ',
                       u"needless escape in " + QString::fromLatin1(encoded));
            out.append(byte);
            i += 2;
        } else {
            FUZZ_CHECK(isUnreserved(c), u"character sent as it is: " + QString::fromLatin1(encoded));
            out.append(c);
        }
    }
    return out;
}

} // namespace

void checkQueryEncoder(QByteArrayView data)
{
    Input input(data);
    const quint8 order = input.byte();
    const quint8 how = input.byte();
    QString values[4];
    for (QString &value : values)
        value = textFromBytes(input.piece(200), how);
    const QString names[4] = {QStringLiteral("origins"), QStringLiteral("destinations"),
                              QStringLiteral("key"), QStringLiteral("mode")};

    // Set in an order taken from the input, names in any case, some more than once.
    RestRequest request;
    for (int step = 0; step < 6; ++step) {
        const int which = (order >> step) % 4 ^ (step & 3);
        QString name = names[which];
        if (order & (1 << ((step + 3) % 8)))
            name = name.toUpper();
        FUZZ_CHECK(request.setParameter(name, step < 2 ? QStringLiteral("first") : values[which]),
                   u"name refused: " + name);
    }
    for (int which = 0; which < 4; ++which)
        request.setParameter(names[which], values[which]);
    FUZZ_CHECK(!request.setParameter(QStringLiteral("origin"), QStringLiteral("x")),
               QStringLiteral("unknown name taken"));

    const QList<QByteArray> parts = request.query().split('&');
    const char *const expectedNames[] = {"origins", "destinations", "key", "language", "mode"};
    FUZZ_CHECK(parts.size() == 5, u"query " + QString::fromLatin1(request.query()));
    const QString expectedValues[5] = {values[0], values[1], values[2], QStringLiteral("PT"), values[3]};
    for (int i = 0; i < 5; ++i) {
        const qsizetype equals = parts[i].indexOf('=');
        FUZZ_CHECK(equals > 0 && parts[i].left(equals) == expectedNames[i],
                   u"parameter " + QString::fromLatin1(parts[i]));
        const QByteArray decoded = formDecode(parts[i].mid(equals + 1));
        FUZZ_CHECK(decoded == referenceUtf8(expectedValues[i]),
                   u"value " + show(expectedValues[i]) + u" came back as " + showBytes(decoded));
    }

    // The encoder alone over the rest, as one text.
    const QString rest = textFromBytes(input.rest(), how);
    FUZZ_CHECK(formDecode(formUrlEncode(rest)) == referenceUtf8(rest), u"value " + show(rest));
}

} // namespace trajetix::fuzz
