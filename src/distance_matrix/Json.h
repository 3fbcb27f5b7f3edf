#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace trajetix {

struct JsonMember;

// A parsed JSON value that keeps object members in their order of appearance, duplicates
// included, so that a lookup can take the first occurrence of a name. (QJsonDocument keeps
// only the last one.)
class JsonValue {
  public:
    enum class Type { Null, Bool, Number, String, Array, Object };

    // Parses text that holds exactly one JSON value (RFC 8259), with white space allowed
    // around it. Nothing for anything else, and for nesting deeper than maxDepth.
    static std::optional<JsonValue> parse(QStringView text);
    static constexpr int maxDepth = 512;

    Type type() const { return m_type; }
    bool isObject() const { return m_type == Type::Object; }
    bool isArray() const { return m_type == Type::Array; }
    bool isString() const { return m_type == Type::String; }

    // A string's content with its escapes resolved; a number exactly as written in the
    // text; "true", "false" or "null"; empty for arrays and objects.
    const QString &text() const { return m_text; }

    const std::vector<JsonValue> &items() const { return m_items; }
    const std::vector<JsonMember> &members() const { return m_members; }

    // The first member with exactly this name (case-sensitive), or nullptr; nullptr too
    // when this is not an object.
    const JsonValue *member(QStringView name) const;

  private:
    friend class JsonParser;
    Type m_type = Type::Null;
    QString m_text;
    std::vector<JsonValue> m_items;
    std::vector<JsonMember> m_members;
};

struct JsonMember {
    QString name;
    JsonValue value;
};

} // namespace trajetix
