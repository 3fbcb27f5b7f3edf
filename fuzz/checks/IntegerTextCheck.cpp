// The settings file's integer rule against a reference model built on a regular
// expression and plain 64-bit arithmetic.
#include "FuzzSupport.h"

#include "settings/IntegerText.h"

#include <QRegularExpression>

#include <optional>

namespace trajetix::fuzz {

namespace {

std::optional<int> referenceValue(const QString &text)
{
    static const QRegularExpression rule(QRegularExpression::anchoredPattern(
        QStringLiteral(" *([+-]?)(?:([0-9]+)|(?:\\$|0[xX]|[xX])([0-9A-Fa-f]+))")));
    const QRegularExpressionMatch match = rule.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const bool negative = match.captured(1) == u"-";
    const bool hex = match.capturedLength(3) > 0;
    QString digits = match.captured(hex ? 3 : 2);
    while (digits.size() > 1 && digits.front() == u'0')
        digits.remove(0, 1);
    if (digits.size() > (hex ? 8 : 10))
        return std::nullopt;
    const qint64 magnitude = digits.toLongLong(nullptr, hex ? 16 : 10);
    if (hex) {
        const quint32 pattern = quint32(magnitude);
        return qint32(negative ? 0u - pattern : pattern);
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return int(value);
}

} // namespace

void checkIntegerText(QByteArrayView data)
{
    Input input(data);
    const quint8 how = input.byte();
    const QString text = textFromBytes(input.rest(), how);

    const std::optional<int> expected = referenceValue(text);
    try {
        const int value = strToInt(text);
        FUZZ_CHECK(expected.has_value(), u"accepted " + show(text) + u" as " + QString::number(value));
        FUZZ_CHECK(value == *expected, show(text) + u" gave " + QString::number(value) + u" expected " +
                                           QString::number(*expected));
    } catch (const SettingsError &error) {
        FUZZ_CHECK(!expected.has_value(),
                   u"refused " + show(text) + u" expected " + QString::number(expected.value_or(0)));
        const QString message = u'\'' + text + u"' is not a valid integer value for Integer type";
        FUZZ_CHECK(error.message() == message, u"message " + show(error.message()));
    }
}

} // namespace trajetix::fuzz
