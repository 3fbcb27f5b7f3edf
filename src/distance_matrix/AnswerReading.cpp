#include "distance_matrix/AnswerReading.h"

namespace trajetix {
namespace answer {

namespace {

const JsonValue *object(const JsonValue *root)
{
    return root && root->isObject() ? root : nullptr;
}

// The first entry of the named member, which must be a non-empty array.
const JsonValue *firstEntry(const JsonValue *owner, QStringView name)
{
    const JsonValue *array = owner ? owner->member(name) : nullptr;
    if (!array || !array->isArray() || array->items().empty())
        return nullptr;
    return &array->items().front();
}

// The first element of the first row, which must both be objects.
const JsonValue *firstElement(const JsonValue *root)
{
    const JsonValue *row = object(firstEntry(object(root), u"rows"));
    return object(firstEntry(row, u"elements"));
}

bool readMemberText(const JsonValue *owner, QStringView name, QString &text)
{
    return owner && readText(owner->member(name), text);
}

} // namespace

bool readText(const JsonValue *value, QString &text)
{
    if (!value)
        return false;
    switch (value->type()) {
    case JsonValue::Type::String:
    case JsonValue::Type::Number:
    case JsonValue::Type::Bool:
        text = value->text();
        return true;
    case JsonValue::Type::Null:
    case JsonValue::Type::Array:
    case JsonValue::Type::Object:
        break;
    }
    return false;
}

bool readStatus(const JsonValue *root, QString &status)
{
    return readMemberText(object(root), u"status", status);
}

bool readAddressesAndElement(const JsonValue *root, QString &origin, QString &destination,
                             QString &elementStatus)
{
    const JsonValue *top = object(root);
    QString dest, orig, status;
    if (!readText(firstEntry(top, u"destination_addresses"), dest))
        return false;
    if (!readText(firstEntry(top, u"origin_addresses"), orig))
        return false;
    if (!readMemberText(firstElement(top), u"status", status))
        return false;
    destination = dest;
    origin = orig;
    elementStatus = status;
    return true;
}

bool readDistanceAndDuration(const JsonValue *root, QString &distance, QString &duration)
{
    const JsonValue *element = firstElement(root);
    if (!element)
        return false;
    QString dist, dur;
    if (!readMemberText(object(element->member(u"distance")), u"text", dist))
        return false;
    if (!readMemberText(object(element->member(u"duration")), u"text", dur))
        return false;
    distance = dist;
    duration = dur;
    return true;
}

} // namespace answer
} // namespace trajetix
