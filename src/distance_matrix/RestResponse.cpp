#include "distance_matrix/RestResponse.h"

#include <QStringDecoder>

namespace trajetix {

QByteArray RestResponse::header(QByteArrayView name) const
{
    for (auto it = m_headers.crbegin(); it != m_headers.crend(); ++it) {
        if (name.compare(it->first, Qt::CaseInsensitive) == 0)
            return it->second;
    }
    return {};
}

const JsonValue *RestResponse::jsonValue() const
{
    if (!m_jsonParsed) {
        m_jsonParsed = true;
        if (m_textDecoded && !m_text.isEmpty())
            m_json = JsonValue::parse(m_text);
    }
    return m_json ? &*m_json : nullptr;
}

void RestResponse::clear()
{
    *this = RestResponse();
}

QByteArray RestResponse::charsetOf(QByteArrayView contentType)
{
    // type/subtype *( ";" name "=" value ), value a token or a quoted string.
    const QList<QByteArray> parts = contentType.toByteArray().split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray part = parts.at(i).trimmed();
        const qsizetype eq = part.indexOf('=');
        if (eq < 0 || part.left(eq).trimmed().compare("charset", Qt::CaseInsensitive) != 0)
            continue;
        QByteArray value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

void RestResponse::assign(int statusCode, const QString &statusText, QList<Header> headers,
                          QByteArray rawBody)
{
    m_statusCode = statusCode;
    m_statusText = statusText;
    m_headers = std::move(headers);
    m_rawBody = std::move(rawBody);
    m_charset = charsetOf(header("Content-Type"));
    m_jsonParsed = false;
    m_json.reset();

    // No charset named: UTF-8, whatever the media type. An unknown name leaves no text at
    // all rather than a guess, so the answer reads as unreadable instead of as garbage.
    QStringDecoder decoder(m_charset.isEmpty() ? QByteArrayLiteral("UTF-8").constData()
                                               : m_charset.constData());
    m_textDecoded = decoder.isValid();
    if (m_textDecoded)
        m_text = decoder.decode(m_rawBody);
    else
        m_text.clear();
}

} // namespace trajetix
