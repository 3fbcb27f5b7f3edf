#pragma once

#include <QString>

namespace trajetix {

enum class MessageKind { Warning, Error, Information };

// The box title of a kind: English in every interface language.
QString messageKindTitle(MessageKind kind);

// Where the program's messages go: a modal box in the window, stderr in the
// command, a recorder in tests. Returns once the user has dismissed the message.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(MessageKind kind, const QString &text) = 0;
};

} // namespace trajetix
