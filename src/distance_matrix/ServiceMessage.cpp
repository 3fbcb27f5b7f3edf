#include "distance_matrix/ServiceMessage.h"

namespace trajetix {

QString printableServiceMessage(const QString &message, const QString &key)
{
    QString text = message;
    const QString trimmedKey = key.trimmed();
    if (trimmedKey.size() >= 8) {
        text.replace(key, QStringLiteral("***"));
        text.replace(trimmedKey, QStringLiteral("***"));
    }
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029)
            c = QLatin1Char(' ');
    }
    return text.trimmed();
}

} // namespace trajetix
