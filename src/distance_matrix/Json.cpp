#include "distance_matrix/Json.h"

namespace trajetix {

const JsonValue *JsonValue::member(QStringView name) const
{
    for (const JsonMember &m : m_members) {
        if (m.name == name)
            return &m.value;
    }
    return nullptr;
}

// Recursive descent over UTF-16 text; strict: no comments, no trailing commas, no
// single quotes, no bare control characters in strings, no leading zeros or "+".
class JsonParser {
  public:
    explicit JsonParser(QStringView text) : m_text(text) {}

    std::optional<JsonValue> parseDocument()
    {
        JsonValue v;
        skipSpace();
        if (!parseValue(v, 0))
            return std::nullopt;
        skipSpace();
        if (m_pos != m_text.size())
            return std::nullopt;
        return v;
    }

  private:
    QStringView m_text;
    qsizetype m_pos = 0;

    bool atEnd() const { return m_pos >= m_text.size(); }
    char16_t peek() const { return atEnd() ? 0 : m_text[m_pos].unicode(); }

    void skipSpace()
    {
        while (!atEnd()) {
            const char16_t c = peek();
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                return;
            ++m_pos;
        }
    }

    bool consumeWord(const char *word)
    {
        for (qsizetype i = 0; word[i]; ++i) {
            if (m_pos + i >= m_text.size() || m_text[m_pos + i].unicode() != char16_t(word[i]))
                return false;
        }
        m_pos += qsizetype(qstrlen(word));
        return true;
    }

    bool parseValue(JsonValue &v, int depth)
    {
        if (atEnd())
            return false;
        switch (peek()) {
        case '{':
            return parseObject(v, depth + 1);
        case '[':
            return parseArray(v, depth + 1);
        case '"':
            v.m_type = JsonValue::Type::String;
            return parseString(v.m_text);
        case 't':
            v.m_type = JsonValue::Type::Bool;
            v.m_text = QStringLiteral("true");
            return consumeWord("true");
        case 'f':
            v.m_type = JsonValue::Type::Bool;
            v.m_text = QStringLiteral("false");
            return consumeWord("false");
        case 'n':
            v.m_type = JsonValue::Type::Null;
            v.m_text = QStringLiteral("null");
            return consumeWord("null");
        default:
            return parseNumber(v);
        }
    }

    bool parseObject(JsonValue &v, int depth)
    {
        if (depth > JsonValue::maxDepth)
            return false;
        v.m_type = JsonValue::Type::Object;
        ++m_pos; // '{'
        skipSpace();
        if (peek() == '}') {
            ++m_pos;
            return true;
        }
        for (;;) {
            skipSpace();
            if (peek() != '"')
                return false;
            JsonMember m;
            if (!parseString(m.name))
                return false;
            skipSpace();
            if (peek() != ':')
                return false;
            ++m_pos;
            skipSpace();
            if (!parseValue(m.value, depth))
                return false;
            v.m_members.push_back(std::move(m));
            skipSpace();
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() == '}') {
                ++m_pos;
                return true;
            }
            return false;
        }
    }

    bool parseArray(JsonValue &v, int depth)
    {
        if (depth > JsonValue::maxDepth)
            return false;
        v.m_type = JsonValue::Type::Array;
        ++m_pos; // '['
        skipSpace();
        if (peek() == ']') {
            ++m_pos;
            return true;
        }
        for (;;) {
            skipSpace();
            JsonValue item;
            if (!parseValue(item, depth))
                return false;
            v.m_items.push_back(std::move(item));
            skipSpace();
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() == ']') {
                ++m_pos;
                return true;
            }
            return false;
        }
    }

    static int hexDigit(char16_t c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    bool parseString(QString &out)
    {
        ++m_pos; // opening quote
        out.clear();
        qsizetype runStart = m_pos;
        while (!atEnd()) {
            const char16_t c = peek();
            if (c == '"') {
                out.append(m_text.mid(runStart, m_pos - runStart));
                ++m_pos;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c != '\\') {
                ++m_pos;
                continue;
            }
            out.append(m_text.mid(runStart, m_pos - runStart));
            ++m_pos; // backslash
            if (atEnd())
                return false;
            const char16_t e = peek();
            ++m_pos;
            switch (e) {
            case '"':
                out.append(QLatin1Char('"'));
                break;
            case '\\':
                out.append(QLatin1Char('\\'));
                break;
            case '/':
                out.append(QLatin1Char('/'));
                break;
            case 'b':
                out.append(QChar(0x08));
                break;
            case 'f':
                out.append(QChar(0x0C));
                break;
            case 'n':
                out.append(QChar(0x0A));
                break;
            case 'r':
                out.append(QChar(0x0D));
                break;
            case 't':
                out.append(QChar(0x09));
                break;
            case 'u': {
                if (m_pos + 4 > m_text.size())
                    return false;
                int code = 0;
                for (int i = 0; i < 4; ++i) {
                    const int d = hexDigit(m_text[m_pos + i].unicode());
                    if (d < 0)
                        return false;
                    code = code * 16 + d;
                }
                m_pos += 4;
                // UTF-16 units go in as they are, so an escaped surrogate pair becomes the
                // character it encodes.
                out.append(QChar(char16_t(code)));
                break;
            }
            default:
                return false;
            }
            runStart = m_pos;
        }
        return false;
    }

    static bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }

    bool parseNumber(JsonValue &v)
    {
        const qsizetype start = m_pos;
        if (peek() == '-')
            ++m_pos;
        if (peek() == '0') {
            ++m_pos;
        } else if (isDigit(peek())) {
            while (isDigit(peek()))
                ++m_pos;
        } else {
            return false;
        }
        if (peek() == '.') {
            ++m_pos;
            if (!isDigit(peek()))
                return false;
            while (isDigit(peek()))
                ++m_pos;
        }
        if (peek() == 'e' || peek() == 'E') {
            ++m_pos;
            if (peek() == '+' || peek() == '-')
                ++m_pos;
            if (!isDigit(peek()))
                return false;
            while (isDigit(peek()))
                ++m_pos;
        }
        v.m_type = JsonValue::Type::Number;
        v.m_text = m_text.mid(start, m_pos - start).toString();
        return true;
    }
};

std::optional<JsonValue> JsonValue::parse(QStringView text)
{
    return JsonParser(text).parseDocument();
}

} // namespace trajetix
