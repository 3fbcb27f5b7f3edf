// The Routes API pieces that meet outside input: the request body built from any
// two addresses, and the reading of any answer.
#include "FuzzSupport.h"
#include "JsonModel.h"
#include "TextFileModel.h"

#include "routes/RouteMatrixAnswer.h"
#include "routes/RouteMatrixRequest.h"

namespace trajetix::fuzz {

namespace {

// The text as UTF-8 can carry it: each unpaired surrogate as U+FFFD.
QString withoutLoneSurrogates(const QString &text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out.at(i).isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
            ++i;
        else if (out.at(i).isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

const JsonValue *path(const JsonValue *value, std::initializer_list<const char16_t *> steps)
{
    for (const char16_t *step : steps) {
        if (!value)
            return nullptr;
        if (value->isArray())
            value = value->items().empty() ? nullptr : &value->items().front();
        if (value)
            value = value->member(QStringView(step));
    }
    return value;
}

} // namespace

void checkRoutesRequest(QByteArrayView data)
{
    Input input(data);
    const quint8 how = input.byte();
    const QString origin = textFromBytes(input.piece(300), how);
    const QString destination = textFromBytes(input.piece(300), how >> 2);
    const QString modeWord = textFromBytes(input.rest(), how >> 4);

    const QString mode = routes::travelModeFor(modeWord);
    const QString expectedMode = modeWord == u"driving"   ? QStringLiteral("DRIVE")
                                 : modeWord == u"walking" ? QStringLiteral("WALK")
                                                          : QStringLiteral("BICYCLE");
    FUZZ_CHECK(mode == expectedMode, u"mode " + show(mode) + u" for " + show(modeWord));

    const QByteArray body = routes::requestBody(origin, destination, mode);
    const std::optional<QString> text = strictUtf8(body);
    FUZZ_CHECK(text.has_value(), u"body is not UTF-8: " + showBytes(body.left(600)));
    const std::optional<JsonValue> json = JsonValue::parse(*text);
    FUZZ_CHECK(json && json->isObject(), u"body is not a JSON object: " + show(text->left(600)));

    const JsonValue *sentOrigin = path(&*json, {u"origins", u"waypoint", u"address"});
    const JsonValue *sentDestination = path(&*json, {u"destinations", u"waypoint", u"address"});
    FUZZ_CHECK(sentOrigin && sentOrigin->isString() && sentOrigin->text() == withoutLoneSurrogates(origin),
               u"origin " + show(origin) + u" sent as " + show(sentOrigin ? sentOrigin->text() : QString()));
    FUZZ_CHECK(sentDestination && sentDestination->isString() &&
                   sentDestination->text() == withoutLoneSurrogates(destination),
               u"destination " + show(destination));
    const JsonValue *travelMode = json->member(u"travelMode");
    FUZZ_CHECK(travelMode && travelMode->text() == mode, QStringLiteral("travel mode"));
    FUZZ_CHECK(json->members().size() == 5, QStringLiteral("five members"));
    // Nothing but the two addresses comes from outside.
    FUZZ_CHECK(!text->contains(u'\n') && !text->contains(u'\r'),
               QStringLiteral("a raw line break in the body"));
}

void checkRoutesAnswer(QByteArrayView data)
{
    Input input(data);
    static const int statuses[] = {200, 200, 200, 400, 403, 404, 429, 500, 503, 0};
    const quint8 choice = input.byte();
    const int httpStatus = choice < 250 ? statuses[choice % std::size(statuses)] : int(input.word()) - 1000;
    const QString text = QString::fromUtf8(input.rest());
    const std::optional<JsonValue> json = JsonValue::parse(text);

    const routes::MatrixAnswer answer = routes::readMatrixAnswer(httpStatus, json ? &*json : nullptr);
    const QString context = u" for HTTP " + QString::number(httpStatus) + u": " + show(text.left(1000));
    switch (answer.kind) {
    case routes::MatrixAnswer::Kind::Unreadable:
        FUZZ_CHECK(!answer.routeFound && answer.elementStatus.isEmpty() && !answer.hasTexts &&
                       answer.errorStatus.isEmpty(),
                   u"an unreadable answer with values" + context);
        break;
    case routes::MatrixAnswer::Kind::Element:
        FUZZ_CHECK(json && json->isArray() && httpStatus == 200, u"an element outside a 200 array" + context);
        FUZZ_CHECK(answer.routeFound == (answer.elementStatus == u"OK"),
                   u"found " + QString::number(answer.routeFound) + u" with status " +
                       show(answer.elementStatus) + context);
        FUZZ_CHECK(answer.hasTexts || (answer.distanceText.isEmpty() && answer.durationText.isEmpty()),
                   u"texts without hasTexts" + context);
        FUZZ_CHECK(answer.errorStatus.isEmpty(), u"an element with an error status" + context);
        break;
    case routes::MatrixAnswer::Kind::Error:
        FUZZ_CHECK(json != std::nullopt, u"an error without JSON" + context);
        FUZZ_CHECK(!answer.errorStatus.isEmpty() && answer.errorStatus != u"OK",
                   u"error status " + show(answer.errorStatus) + context);
        FUZZ_CHECK(!answer.routeFound && answer.elementStatus.isEmpty(),
                   u"an error with an element" + context);
        break;
    }
    // Reading is a pure function of the answer.
    const routes::MatrixAnswer again = routes::readMatrixAnswer(httpStatus, json ? &*json : nullptr);
    FUZZ_CHECK(again.kind == answer.kind && again.elementStatus == answer.elementStatus &&
                   again.errorStatus == answer.errorStatus && again.distanceText == answer.distanceText,
               u"two readings differ" + context);
}

} // namespace trajetix::fuzz
