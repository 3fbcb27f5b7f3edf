#pragma once

#include "FuzzSupport.h"

#include "distance_matrix/Json.h"

#include <QString>

#include <optional>
#include <tuple>
#include <utility>
#include <vector>

// A plain JSON tree of the checks' own, built independently of the program's parser,
// and a reference reader of the three answer-reading steps over it.
namespace trajetix::fuzz {

struct Node {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    QString text; // string content, number as written, "true"/"false"
    std::vector<Node> items;
    std::vector<std::pair<QString, Node>> members;
};

Node fromJsonValue(const JsonValue &value);
bool sameTree(const Node &a, const Node &b);
int containerDepth(const Node &node);
// JSON text of the tree; `style` bytes choose white space and escapes, so one tree
// has many spellings. Unpaired surrogates are always escaped; with `asciiOnly`
// every character above U+007F is escaped too.
QString serialize(const Node &node, Input &style, bool asciiOnly);

struct Reading {
    std::optional<QString> status;
    std::optional<std::tuple<QString, QString, QString>>
        addressesAndElement; // origin, destination, element status
    std::optional<std::pair<QString, QString>> distanceAndDuration;

    bool operator==(const Reading &other) const
    {
        return status == other.status && addressesAndElement == other.addressesAndElement &&
               distanceAndDuration == other.distanceAndDuration;
    }
};

Reading referenceReading(const Node *root);
// The program's three reading steps over a parsed value (nullptr: no value). Also
// checks that a failing step leaves its outputs alone.
Reading programReading(const JsonValue *root);
QString describe(const Reading &reading);

} // namespace trajetix::fuzz
