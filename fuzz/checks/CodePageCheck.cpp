// The Windows-1252 code page: every byte string survives decoding and encoding,
// and encoding any text keeps one byte or more for each of its characters.
#include "FuzzSupport.h"

#include "i18n/CodePage.h"

namespace trajetix::fuzz {

void checkCodePage(QByteArrayView data)
{
    Input input(data);
    const quint8 how = input.byte();
    const QByteArray bytes = input.rest();

    const QString text = codepage::decode(bytes);
    FUZZ_CHECK(text.size() == bytes.size(), u"decoding changed the length of " + showBytes(bytes));
    FUZZ_CHECK(codepage::encode(text) == bytes, u"round trip lost bytes of " + showBytes(bytes));

    // Arbitrary text, unpaired surrogates included.
    const QString any = textFromBytes(bytes, how);
    const QByteArray encoded = codepage::encode(any);
    qsizetype characters = 0;
    bool allInCodePage = true;
    static const QString codePageCharacters = [] {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        return codepage::decode(all);
    }();
    for (qsizetype i = 0; i < any.size(); ++i) {
        if (any.at(i).isHighSurrogate() && i + 1 < any.size() && any.at(i + 1).isLowSurrogate())
            ++i;
        ++characters;
        allInCodePage = allInCodePage && codePageCharacters.contains(any.at(i));
    }
    FUZZ_CHECK(encoded.size() >= characters,
               u"characters lost encoding " + show(any) + u": " + showBytes(encoded));
    if (allInCodePage)
        FUZZ_CHECK(codepage::decode(encoded) == any, u"code page text changed: " + show(any));
    // What encoding gives is plain code page text, which encodes to itself.
    FUZZ_CHECK(codepage::encode(codepage::decode(encoded)) == encoded, u"unstable encoding of " + show(any));
}

} // namespace trajetix::fuzz
