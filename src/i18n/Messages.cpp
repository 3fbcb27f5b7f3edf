#include "i18n/Messages.h"

namespace trajetix {

QString messageKindTitle(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning:
        return QStringLiteral("Warning");
    case MessageKind::Error:
        return QStringLiteral("Error");
    case MessageKind::Information:
        break;
    }
    return QStringLiteral("Information");
}

} // namespace trajetix
