#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

#include "distance_matrix/Json.h"

namespace trajetix {

// The answer last received: status, headers, body as bytes and as text, and the JSON value
// parsed from the text on first use. Empty until the first answer arrives.
class RestResponse {
  public:
    using Header = std::pair<QByteArray, QByteArray>;

    bool isEmpty() const { return m_statusCode == 0; }
    int statusCode() const { return m_statusCode; }
    const QString &statusText() const { return m_statusText; }
    // In the order received, names as sent.
    const QList<Header> &headers() const { return m_headers; }
    // The value of the last header of that name (case ignored); empty when there is none.
    QByteArray header(QByteArrayView name) const;

    const QByteArray &rawBody() const { return m_rawBody; }
    // The body decoded with the charset of the Content-Type header, UTF-8 when it names
    // none. Empty when the charset is one this system does not know.
    const QString &text() const { return m_text; }
    // The charset named by the Content-Type header, as sent (empty when none).
    const QByteArray &charset() const { return m_charset; }
    // False when the named charset is unknown: then there is no text and no JSON value.
    bool isTextDecoded() const { return m_textDecoded; }

    // The JSON value of the whole text, or nullptr when the text is empty, is not exactly
    // one JSON value, or could not be decoded. Parsed on the first call and kept.
    const JsonValue *jsonValue() const;

    void clear();
    // Replaces everything held, the parsed JSON value included.
    void assign(int statusCode, const QString &statusText, QList<Header> headers, QByteArray rawBody);

    // The charset parameter of a Content-Type value, unquoted; empty when there is none.
    static QByteArray charsetOf(QByteArrayView contentType);

  private:
    int m_statusCode = 0;
    QString m_statusText;
    QList<Header> m_headers;
    QByteArray m_rawBody;
    QByteArray m_charset;
    QString m_text;
    bool m_textDecoded = true;
    mutable bool m_jsonParsed = false;
    mutable std::optional<JsonValue> m_json;
};

} // namespace trajetix
