// The answer reader over arbitrary bytes under an arbitrary Content-Type: decoding,
// parsing and the three reading steps never fail badly; a parsed value, written out
// again, parses to the same tree; the steps agree with the reference reader; and
// the parser accepts what Qt's own JSON parser accepts, and the other way round.
#include "FuzzSupport.h"
#include "JsonModel.h"

#include "distance_matrix/RestResponse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace trajetix::fuzz {

namespace {

const char *const contentTypes[] = {
    "application/json; charset=UTF-8", "application/json", "text/html; charset=iso-8859-1",
    "application/json; charset=\"utf-8\"", "application/json;charset=utf-16", "text/plain; charset=windows-1252",
    "application/json; charset=x-unknown-charset", "application/json; charset=", "application/json; charset=UTF-32BE",
    "application/json; q=1; charset=gb18030", "application/json; CHARSET=Shift_JIS",
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

int depthOf(const QJsonValue &value)
{
    int deepest = 0;
    if (value.isArray()) {
        for (const QJsonValue &item : value.toArray())
            deepest = std::max(deepest, depthOf(item));
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            deepest = std::max(deepest, depthOf(it.value()));
    }
    return deepest + (value.isArray() || value.isObject() ? 1 : 0);
}

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
        FUZZ_CHECK(reparsed && sameTree(fromJsonValue(*reparsed), tree), u"written out and parsed again it differs: " + show(again.left(2000)));
        expected = referenceReading(&tree);
    }
    const Reading actual = programReading(parsed);
    FUZZ_CHECK(actual == expected, u"read " + describe(actual) + u" expected " + describe(expected));

    // Qt's parser as a second opinion on what is JSON, where both parsers can judge:
    // text free of unpaired surrogates (Qt reads UTF-8) and not deeper than either limit.
    const QString &text = response.text();
    if (!response.isTextDecoded() || text.isEmpty() || hasUnpairedSurrogate(text))
        return;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    const bool qtAccepts = error.error == QJsonParseError::NoError;
    if (error.error == QJsonParseError::DeepNesting || (parsed && containerDepth(fromJsonValue(*parsed)) > 500)
        || (qtAccepts && depthOf(document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object())) > 500))
        return;
    FUZZ_CHECK(!qtAccepts || parsed, u"Qt accepts, we refuse: " + show(text.left(2000)));
    // Qt takes only an object or an array as a whole document.
    if (qtAccepts || !parsed || !(parsed->isObject() || parsed->isArray()))
        return;
    FUZZ_CHECK(false, u"we accept, Qt refuses (" + error.errorString() + u"): " + show(text.left(2000)));
}

} // namespace trajetix::fuzz
