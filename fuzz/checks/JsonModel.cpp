#include "JsonModel.h"

#include "distance_matrix/AnswerReading.h"

namespace trajetix::fuzz {

Node fromJsonValue(const JsonValue &value)
{
    Node node;
    switch (value.type()) {
    case JsonValue::Type::Null:
        node.kind = Node::Kind::Null;
        break;
    case JsonValue::Type::Bool:
        node.kind = Node::Kind::Bool;
        break;
    case JsonValue::Type::Number:
        node.kind = Node::Kind::Number;
        break;
    case JsonValue::Type::String:
        node.kind = Node::Kind::String;
        break;
    case JsonValue::Type::Array:
        node.kind = Node::Kind::Array;
        break;
    case JsonValue::Type::Object:
        node.kind = Node::Kind::Object;
        break;
    }
    if (node.kind == Node::Kind::Bool || node.kind == Node::Kind::Number || node.kind == Node::Kind::String)
        node.text = value.text();
    for (const JsonValue &item : value.items())
        node.items.push_back(fromJsonValue(item));
    for (const JsonMember &member : value.members())
        node.members.emplace_back(member.name, fromJsonValue(member.value));
    return node;
}

bool sameTree(const Node &a, const Node &b)
{
    if (a.kind != b.kind || a.text != b.text || a.items.size() != b.items.size() ||
        a.members.size() != b.members.size())
        return false;
    for (size_t i = 0; i < a.items.size(); ++i)
        if (!sameTree(a.items[i], b.items[i]))
            return false;
    for (size_t i = 0; i < a.members.size(); ++i)
        if (a.members[i].first != b.members[i].first || !sameTree(a.members[i].second, b.members[i].second))
            return false;
    return true;
}

int containerDepth(const Node &node)
{
    int deepest = 0;
    for (const Node &item : node.items)
        deepest = std::max(deepest, containerDepth(item));
    for (const auto &member : node.members)
        deepest = std::max(deepest, containerDepth(member.second));
    const bool container = node.kind == Node::Kind::Array || node.kind == Node::Kind::Object;
    return deepest + (container ? 1 : 0);
}

namespace {

void space(QString &out, Input &style)
{
    static const char16_t blanks[] = {u' ', u'\t', u'\n', u'\r'};
    const quint8 b = style.byte();
    for (int i = 0; i < (b & 3); ++i)
        out.append(QChar(blanks[(b >> (2 + 2 * i)) & 3]));
}

void appendEscaped(QString &out, char16_t unit, bool upper)
{
    out.append(QStringLiteral("\\u%1").arg(int(unit), 4, 16, QLatin1Char('0')));
    if (upper)
        out.replace(out.size() - 4, 4, out.right(4).toUpper());
}

void quoted(QString &out, const QString &text, Input &style, bool asciiOnly)
{
    out.append(u'"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const quint8 how = style.byte();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            // A pair goes out whole, as it is or as two escapes, never half and half
            // (a lone half cannot be encoded).
            const char16_t low = text.at(++i).unicode();
            if (!asciiOnly && (how & 7) != 0) {
                out.append(QChar(c)).append(QChar(low));
            } else {
                appendEscaped(out, c, how & 16);
                appendEscaped(out, low, how & 32);
            }
            continue;
        }
        const bool mustEscape =
            c < 0x20 || c == u'"' || c == u'\\' || QChar::isSurrogate(c) || (asciiOnly && c > 0x7F);
        if (!mustEscape && (how & 7) != 0) {
            out.append(QChar(c));
            continue;
        }
        switch (c) {
        case u'"':
            out.append(how & 8 ? QStringLiteral("\\\"") : QStringLiteral("\\u0022"));
            continue;
        case u'\\':
            out.append(how & 8 ? QStringLiteral("\\\\") : QStringLiteral("\\u005c"));
            continue;
        case u'/':
            out.append(QStringLiteral("\\/"));
            continue;
        case u'\b':
            out.append(QStringLiteral("\\b"));
            continue;
        case u'\f':
            out.append(QStringLiteral("\\f"));
            continue;
        case u'\n':
            out.append(QStringLiteral("\\n"));
            continue;
        case u'\r':
            out.append(QStringLiteral("\\r"));
            continue;
        case u'\t':
            out.append(QStringLiteral("\\t"));
            continue;
        default:
            appendEscaped(out, c, how & 16);
        }
    }
    out.append(u'"');
}

void write(QString &out, const Node &node, Input &style, bool asciiOnly)
{
    switch (node.kind) {
    case Node::Kind::Null:
        out.append(QStringLiteral("null"));
        break;
    case Node::Kind::Bool:
    case Node::Kind::Number:
        out.append(node.text);
        break;
    case Node::Kind::String:
        quoted(out, node.text, style, asciiOnly);
        break;
    case Node::Kind::Array:
        out.append(u'[');
        space(out, style);
        for (size_t i = 0; i < node.items.size(); ++i) {
            if (i > 0) {
                out.append(u',');
                space(out, style);
            }
            write(out, node.items[i], style, asciiOnly);
            space(out, style);
        }
        out.append(u']');
        break;
    case Node::Kind::Object:
        out.append(u'{');
        space(out, style);
        for (size_t i = 0; i < node.members.size(); ++i) {
            if (i > 0) {
                out.append(u',');
                space(out, style);
            }
            quoted(out, node.members[i].first, style, asciiOnly);
            space(out, style);
            out.append(u':');
            space(out, style);
            write(out, node.members[i].second, style, asciiOnly);
            space(out, style);
        }
        out.append(u'}');
        break;
    }
}

const Node *member(const Node *owner, const QString &name)
{
    if (!owner || owner->kind != Node::Kind::Object)
        return nullptr;
    for (const auto &m : owner->members)
        if (m.first == name)
            return &m.second;
    return nullptr;
}

const Node *firstOf(const Node *owner, const QString &name)
{
    const Node *array = member(owner, name);
    return array && array->kind == Node::Kind::Array && !array->items.empty() ? &array->items.front()
                                                                              : nullptr;
}

const Node *asObject(const Node *node)
{
    return node && node->kind == Node::Kind::Object ? node : nullptr;
}

std::optional<QString> textOf(const Node *node)
{
    if (!node || node->kind == Node::Kind::Null || node->kind == Node::Kind::Array ||
        node->kind == Node::Kind::Object)
        return std::nullopt;
    return node->text;
}

} // namespace

QString serialize(const Node &node, Input &style, bool asciiOnly)
{
    QString out;
    space(out, style);
    write(out, node, style, asciiOnly);
    space(out, style);
    return out;
}

Reading referenceReading(const Node *root)
{
    Reading reading;
    const Node *top = asObject(root);
    reading.status = textOf(member(top, QStringLiteral("status")));

    const Node *element =
        asObject(firstOf(asObject(firstOf(top, QStringLiteral("rows"))), QStringLiteral("elements")));
    const auto destination = textOf(firstOf(top, QStringLiteral("destination_addresses")));
    const auto origin = textOf(firstOf(top, QStringLiteral("origin_addresses")));
    const auto elementStatus = textOf(member(element, QStringLiteral("status")));
    if (destination && origin && elementStatus)
        reading.addressesAndElement = std::make_tuple(*origin, *destination, *elementStatus);

    const auto distance =
        textOf(member(asObject(member(element, QStringLiteral("distance"))), QStringLiteral("text")));
    const auto duration =
        textOf(member(asObject(member(element, QStringLiteral("duration"))), QStringLiteral("text")));
    if (distance && duration)
        reading.distanceAndDuration = std::make_pair(*distance, *duration);
    return reading;
}

Reading programReading(const JsonValue *root)
{
    const QString untouched = QStringLiteral("\u0001untouched");
    Reading reading;
    QString status = untouched;
    if (answer::readStatus(root, status))
        reading.status = status;
    else
        FUZZ_CHECK(status == untouched, QStringLiteral("failed status step wrote its output"));

    QString origin = untouched, destination = untouched, elementStatus = untouched;
    if (answer::readAddressesAndElement(root, origin, destination, elementStatus))
        reading.addressesAndElement = std::make_tuple(origin, destination, elementStatus);
    else
        FUZZ_CHECK(origin == untouched && destination == untouched && elementStatus == untouched,
                   QStringLiteral("failed address step wrote its outputs"));

    QString distance = untouched, duration = untouched;
    if (answer::readDistanceAndDuration(root, distance, duration))
        reading.distanceAndDuration = std::make_pair(distance, duration);
    else
        FUZZ_CHECK(distance == untouched && duration == untouched,
                   QStringLiteral("failed distance step wrote its outputs"));
    return reading;
}

QString describe(const Reading &reading)
{
    QString out = QStringLiteral("status ") + (reading.status ? show(*reading.status) : QStringLiteral("-"));
    out += QStringLiteral(", addresses ");
    if (reading.addressesAndElement) {
        const auto &[o, d, s] = *reading.addressesAndElement;
        out += show(o) + u' ' + show(d) + u' ' + show(s);
    } else {
        out += u'-';
    }
    out += QStringLiteral(", distance ");
    out += reading.distanceAndDuration
               ? show(reading.distanceAndDuration->first) + u' ' + show(reading.distanceAndDuration->second)
               : QStringLiteral("-");
    return out;
}

} // namespace trajetix::fuzz
