// The answer reader over arbitrary bytes under an arbitrary Content-Type: decoding,
// parsing and the three reading steps never fail badly; the parser takes exactly
// what the JSON grammar allows (and Qt's parser agrees where it can judge); a
// parsed value, written out again, parses to the same tree; and the steps agree
// with the reference reader.
#include "FuzzSupport.h"
#include "JsonModel.h"

#include "distance_matrix/RestResponse.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>

namespace trajetix::fuzz {

namespace {

const char *const contentTypes[] = {
    "application/json; charset=UTF-8",
    "application/json",
    "text/html; charset=iso-8859-1",
    "application/json; charset=\"utf-8\"",
    "application/json;charset=utf-16",
    "text/plain; charset=windows-1252",
    "application/json; charset=x-unknown-charset",
    "application/json; charset=",
    "application/json; charset=UTF-32BE",
    "application/json; q=1; charset=gb18030",
    "application/json; CHARSET=Shift_JIS",
};

bool hasUnpairedSurrogate(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            return true;
    }
    return false;
}

// RFC 8259's grammar alone, as a second, independent judge of what is JSON.
class GrammarCheck {
  public:
    explicit GrammarCheck(const QString &text) : m_text(text) {}

    // -1: not JSON; otherwise the deepest nesting of arrays and objects.
    int depth()
    {
        int deepest = 0;
        space();
        if (!value(1, deepest))
            return -1;
        space();
        return m_pos == m_text.size() ? deepest : -1;
    }

  private:
    char16_t at(qsizetype i) const { return i < m_text.size() ? m_text.at(i).unicode() : 0; }
    char16_t peek() const { return at(m_pos); }
    void space()
    {
        while (peek() == u' ' || peek() == u'\t' || peek() == u'\n' || peek() == u'\r')
            ++m_pos;
    }
    bool literal(const char16_t *word)
    {
        for (qsizetype i = 0; word[i]; ++i)
            if (at(m_pos + i) != word[i])
                return false;
        m_pos += qsizetype(std::char_traits<char16_t>::length(word));
        return true;
    }
    bool digits()
    {
        const qsizetype start = m_pos;
        while (peek() >= u'0' && peek() <= u'9')
            ++m_pos;
        return m_pos > start;
    }
    bool number()
    {
        if (peek() == u'-')
            ++m_pos;
        if (peek() == u'0')
            ++m_pos;
        else if (!(peek() >= u'1' && peek() <= u'9') || !digits())
            return false;
        if (peek() == u'.') {
            ++m_pos;
            if (!digits())
                return false;
        }
        if (peek() == u'e' || peek() == u'E') {
            ++m_pos;
            if (peek() == u'+' || peek() == u'-')
                ++m_pos;
            if (!digits())
                return false;
        }
        return true;
    }
    bool string()
    {
        if (peek() != u'"')
            return false;
        ++m_pos;
        while (m_pos < m_text.size()) {
            const char16_t c = peek();
            ++m_pos;
            if (c == u'"')
                return true;
            if (c < 0x20)
                return false;
            if (c != u'\\')
                continue;
            const char16_t e = peek();
            ++m_pos;
            if (e == u'u') {
                for (int i = 0; i < 4; ++i, ++m_pos) {
                    const char16_t h = peek();
                    if (!((h >= u'0' && h <= u'9') || (h >= u'a' && h <= u'f') || (h >= u'A' && h <= u'F')))
                        return false;
                }
            } else if (!QStringView(u"\"\\/bfnrt").contains(QChar(e)) || e == 0) {
                return false;
            }
        }
        return false;
    }
    bool value(int depth, int &deepest)
    {
        switch (peek()) {
        case u'{':
        case u'[': {
            const char16_t close = peek() == u'{' ? u'}' : u']';
            const bool object = close == u'}';
            deepest = std::max(deepest, depth);
            ++m_pos;
            space();
            if (peek() == close) {
                ++m_pos;
                return true;
            }
            for (;;) {
                space();
                if (object) {
                    if (!string())
                        return false;
                    space();
                    if (peek() != u':')
                        return false;
                    ++m_pos;
                    space();
                }
                if (!value(depth + 1, deepest))
                    return false;
                space();
                if (peek() == u',') {
                    ++m_pos;
                    continue;
                }
                if (peek() != close)
                    return false;
                ++m_pos;
                return true;
            }
        }
        case u'"':
            return string();
        case u't':
            return literal(u"true");
        case u'f':
            return literal(u"false");
        case u'n':
            return literal(u"null");
        default:
            return number();
        }
    }

    const QString &m_text;
    qsizetype m_pos = 0;
};

} // namespace

void checkAnswerBytes(QByteArrayView data)
{
    Input input(data);
    const quint8 choice = input.byte();
    QByteArray contentType;
    if (choice < 200)
        contentType = contentTypes[choice % std::size(contentTypes)];
    else
        contentType = input.piece(40);
    const QByteArray body = input.rest();

    RestResponse response;
    response.assign(choice & 1 ? 500 : 200, QStringLiteral("x"), {{"Content-Type", contentType}}, body);
    const JsonValue *parsed = response.jsonValue();
    FUZZ_CHECK(parsed == response.jsonValue(), QStringLiteral("the value is parsed once and kept"));
    if (!response.isTextDecoded() || response.text().isEmpty())
        FUZZ_CHECK(!parsed, QStringLiteral("a value without text"));

    Reading expected;
    if (parsed) {
        const Node tree = fromJsonValue(*parsed);
        Input style(body);
        const QString again = serialize(tree, style, false);
        const std::optional<JsonValue> reparsed = JsonValue::parse(again);
        FUZZ_CHECK(reparsed && sameTree(fromJsonValue(*reparsed), tree),
                   u"written out and parsed again it differs: " + show(again.left(2000)));
        expected = referenceReading(&tree);
    }
    const Reading actual = programReading(parsed);
    FUZZ_CHECK(actual == expected, u"read " + describe(actual) + u" expected " + describe(expected));

    // Whether the text is JSON: the grammar check decides; the program's parser
    // also stops at a nesting depth of 512.
    const QString &text = response.text();
    if (!response.isTextDecoded() || text.isEmpty())
        return;
    const int depth = GrammarCheck(text).depth();
    const bool isJson = depth >= 0 && depth <= JsonValue::maxDepth;
    FUZZ_CHECK((parsed != nullptr) == isJson, QStringLiteral("parsed: ") + (parsed ? u"yes" : u"no") +
                                                  u", grammar depth " + QString::number(depth) + u": " +
                                                  show(text.left(2000)));

    // Qt's parser as a third opinion where it can judge: it reads UTF-8 (so no unpaired
    // surrogates), takes only an object or an array, and refuses numbers beyond a
    // double's range, which JSON allows.
    if (!parsed || !(parsed->isObject() || parsed->isArray()) || hasUnpairedSurrogate(text) || depth > 500)
        return;
    QJsonParseError error{};
    QJsonDocument::fromJson(text.toUtf8(), &error);
    FUZZ_CHECK(error.error == QJsonParseError::NoError || error.error == QJsonParseError::IllegalNumber,
               u"we accept, Qt refuses (" + error.errorString() + u"): " + show(text.left(2000)));
}

} // namespace trajetix::fuzz
