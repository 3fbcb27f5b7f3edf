// The answer reader over arbitrary JSON: a tree is built from the input (a found-route
// answer changed here and there, or a free tree biased towards an answer's member
// names), written out in one of many spellings and encodings, received as an answer,
// parsed and read in the three steps. The parsed tree must be the one written and
// every step must agree with the reference reader.
#include "FuzzSupport.h"
#include "JsonModel.h"

#include "distance_matrix/RestResponse.h"

#include <QStringEncoder>

namespace trajetix::fuzz {

namespace {

const char *const names[] = {"status",
                             "rows",
                             "elements",
                             "destination_addresses",
                             "origin_addresses",
                             "distance",
                             "duration",
                             "text",
                             "value",
                             "Status",
                             "status ",
                             ""};
const char *const texts[] = {"OK",
                             "ok",
                             "NOT_FOUND",
                             "ZERO_RESULTS",
                             "REQUEST_DENIED",
                             "OK ",
                             "12,3 km",
                             "15 minutos",
                             "Rua A, 10 - São Paulo, Brasil",
                             ""};
const char *const numbers[] = {"0",   "-0",     "12300",   "-1.5",
                               "1e3", "2.5E-7", "-0.0e+0", "123456789012345678901234567890"};

QString textPiece(Input &input)
{
    const quint8 how = input.byte();
    if (how < 160)
        return QString::fromUtf8(texts[how % std::size(texts)]);
    return textFromBytes(input.piece(24), how);
}

Node build(Input &input, int depth)
{
    Node node;
    const quint8 kind = input.byte();
    // Containers get rarer with depth, so a tree stays small.
    const int choice = depth >= 6 ? kind % 4 : kind % 7;
    switch (choice) {
    case 0:
        node.kind = Node::Kind::Null;
        break;
    case 1:
        node.kind = Node::Kind::Bool;
        node.text = kind & 0x80 ? QStringLiteral("true") : QStringLiteral("false");
        break;
    case 2:
        node.kind = Node::Kind::Number;
        node.text = QString::fromLatin1(numbers[(kind >> 3) % std::size(numbers)]);
        break;
    case 3:
        node.kind = Node::Kind::String;
        node.text = textPiece(input);
        break;
    case 4:
    case 5: {
        node.kind = Node::Kind::Object;
        const int count = input.byte() % 6;
        for (int i = 0; i < count; ++i) {
            const quint8 n = input.byte();
            const QString name =
                n < 200 ? QString::fromLatin1(names[n % std::size(names)]) : textPiece(input);
            node.members.emplace_back(name, build(input, depth + 1));
        }
        break;
    }
    default: {
        node.kind = Node::Kind::Array;
        const int count = input.byte() % 4;
        for (int i = 0; i < count; ++i)
            node.items.push_back(build(input, depth + 1));
        break;
    }
    }
    return node;
}

Node stringNode(const char *text)
{
    Node node;
    node.kind = Node::Kind::String;
    node.text = QString::fromUtf8(text);
    return node;
}

Node objectNode(std::vector<std::pair<QString, Node>> members)
{
    Node node;
    node.kind = Node::Kind::Object;
    node.members = std::move(members);
    return node;
}

Node arrayNode(std::vector<Node> items)
{
    Node node;
    node.kind = Node::Kind::Array;
    node.items = std::move(items);
    return node;
}

// A complete found-route answer, the starting point of most trees.
Node foundAnswer()
{
    const auto name = [](const char *n) { return QString::fromLatin1(n); };
    Node number;
    number.kind = Node::Kind::Number;
    number.text = QStringLiteral("12300");
    const Node element = objectNode(
        {{name("distance"), objectNode({{name("text"), stringNode("12,3 km")}, {name("value"), number}})},
         {name("duration"), objectNode({{name("text"), stringNode("15 minutos")}, {name("value"), number}})},
         {name("status"), stringNode("OK")}});
    return objectNode({{name("destination_addresses"), arrayNode({stringNode("São Paulo, Brasil")})},
                       {name("origin_addresses"), arrayNode({stringNode("Rio de Janeiro, Brasil")})},
                       {name("rows"), arrayNode({objectNode({{name("elements"), arrayNode({element})}})})},
                       {name("status"), stringNode("OK")}});
}

// Changes a tree here and there as the input says; an input that runs out leaves
// the rest as it is.
void mutate(Node &node, Input &input, int depth)
{
    const quint8 what = input.byte();
    if (what >= 232) {
        node = build(input, depth);
        return;
    }
    if (what >= 216 && node.kind == Node::Kind::String) {
        node.text = textPiece(input);
        return;
    }
    for (Node &item : node.items)
        mutate(item, input, depth + 1);
    if (node.kind == Node::Kind::Array && what >= 200 && what < 216) {
        if (what & 1 || node.items.empty())
            node.items.insert(node.items.begin(), build(input, depth + 1));
        else
            node.items.erase(node.items.begin());
    }
    for (auto &member : node.members)
        mutate(member.second, input, depth + 1);
    if (node.kind == Node::Kind::Object && what >= 184 && what < 216 && !node.members.empty()) {
        const size_t at = input.byte() % node.members.size();
        switch (what % 4) {
        case 0:
            node.members.erase(node.members.begin() + qsizetype(at));
            break;
        case 1:
            node.members.insert(node.members.begin() + qsizetype(at),
                                {node.members[at].first, build(input, depth + 1)});
            break;
        case 2:
            node.members.push_back({node.members[at].first, build(input, depth + 1)});
            break;
        default:
            node.members[at].first = QString::fromLatin1(names[input.byte() % std::size(names)]);
            break;
        }
    }
}

} // namespace

void checkAnswerJson(QByteArrayView data)
{
    Input input(data);
    const quint8 setup = input.byte();
    const quint8 nesting = input.byte();
    Node tree;
    if (setup & 0x08) {
        tree = build(input, 0);
    } else {
        tree = foundAnswer();
        mutate(tree, input, 0);
    }
    // Now and then the tree sits deep inside arrays, around the parser's depth limit.
    if (setup & 0x80) {
        const int extra = JsonValue::maxDepth - 8 + nesting % 16;
        for (int i = 0; i < extra; ++i) {
            Node wrapper;
            wrapper.kind = Node::Kind::Array;
            wrapper.items.push_back(std::move(tree));
            tree = std::move(wrapper);
        }
    }

    const int encoding = setup % 4;
    const QString text = serialize(tree, input, encoding == 3);
    QByteArray body;
    QByteArray charset;
    switch (encoding) {
    case 0:
        body = text.toUtf8();
        break;
    case 1:
        charset = "utf-8";
        body = text.toUtf8();
        break;
    case 2: {
        charset = "UTF-16LE";
        QStringEncoder encoder(QStringEncoder::Utf16LE);
        body = encoder.encode(text);
        break;
    }
    default:
        charset = "iso-8859-1";
        body = text.toLatin1();
        break;
    }
    if (setup & 0x40)
        body.prepend(encoding == 2 ? QByteArray("\xFF\xFE")
                                   : QByteArray(encoding == 3 ? "" : "\xEF\xBB\xBF"));

    QByteArray contentType = "application/json";
    if (!charset.isEmpty())
        contentType += (setup & 0x20 ? "; charset=\"" : ";charset=") + charset + (setup & 0x20 ? "\"" : "");
    RestResponse response;
    response.assign(setup & 0x10 ? 403 : 200, QStringLiteral("OK"), {{"Content-Type", contentType}}, body);

    FUZZ_CHECK(response.isTextDecoded(), u"charset not decoded: " + QString::fromLatin1(contentType));
    const JsonValue *parsed = response.jsonValue();
    const bool tooDeep = containerDepth(tree) > JsonValue::maxDepth;
    FUZZ_CHECK((parsed != nullptr) == !tooDeep, u"parsed: " + QString::number(parsed != nullptr) +
                                                    u" depth " + QString::number(containerDepth(tree)) +
                                                    u" text " + show(text.left(400)));
    if (!parsed)
        return;
    FUZZ_CHECK(sameTree(fromJsonValue(*parsed), tree),
               u"parsed tree differs from the written one: " + show(text.left(2000)));

    const Reading expected = referenceReading(&tree);
    const Reading actual = programReading(parsed);
    FUZZ_CHECK(actual == expected, u"read " + describe(actual) + u" expected " + describe(expected) +
                                       u" from " + show(text.left(2000)));
}

} // namespace trajetix::fuzz
