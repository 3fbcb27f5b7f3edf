#include "distance_matrix/RestClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <mutex>

namespace trajetix {

namespace {

using Clock = std::chrono::steady_clock;

void ensureCurlInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What one execute() collects; libcurl's callbacks write into it.
struct Transfer {
    qint64 maxBodyBytes = 0;
    int statusCode = 0;
    QByteArray reason;
    QList<RestResponse::Header> headers;
    QByteArray body;
    bool bodyTooLarge = false;
    bool locationSeen = false;
    bool requestWritten = false;
    bool followsRedirects = true;
    QByteArray writtenTail; // the last bytes of the request written so far
    qint64 bodyBytes = 0;   // of a request with a body: its size, and how much of it has
    qint64 bodyWritten = 0; // gone out since the request's header block was written

    // Sending: a request is being prepared (connection, TLS) or written.
    // Receiving: the request has been written; its answer is awaited.
    enum class Phase { Sending, Receiving } phase = Phase::Sending;
    Clock::time_point phaseStart = Clock::now();

    void startPhase(Phase p)
    {
        if (p == Phase::Receiving)
            requestWritten = true;
        phase = p;
        phaseStart = Clock::now();
    }
};

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const size_t len = size * count;
    if (t->body.size() + qint64(len) > t->maxBodyBytes) {
        t->bodyTooLarge = true;
        return 0; // anything but len stops the transfer
    }
    t->body.append(data, qsizetype(len));
    return len;
}

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const size_t len = size * count;
    QByteArray line(data, qsizetype(len));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);

    if (line.startsWith("HTTP/")) {
        // A new answer begins (the next one after a redirect, or the first): what an
        // earlier one left is not part of it.
        t->headers.clear();
        t->body.clear();
        t->locationSeen = false;
        t->statusCode = 0;
        t->reason.clear();
        const qsizetype sp1 = line.indexOf(' ');
        if (sp1 > 0) {
            const qsizetype sp2 = line.indexOf(' ', sp1 + 1);
            t->statusCode = line.mid(sp1 + 1, sp2 < 0 ? -1 : sp2 - sp1 - 1).toInt();
            if (sp2 > 0)
                t->reason = line.mid(sp2 + 1).trimmed();
        }
    } else if (line.isEmpty()) {
        // End of a header block. A redirect is followed by a new request: its clock runs
        // from here, not from the request that was answered.
        if (t->followsRedirects && t->statusCode >= 300 && t->statusCode < 400 && t->locationSeen)
            t->startPhase(Transfer::Phase::Sending);
    } else if ((line.startsWith(' ') || line.startsWith('\t')) && !t->headers.isEmpty()) {
        t->headers.last().second += ' ' + line.trimmed();
    } else {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            QByteArray name = line.left(colon).trimmed();
            if (name.compare("Location", Qt::CaseInsensitive) == 0)
                t->locationSeen = true;
            t->headers.append({std::move(name), line.mid(colon + 1).trimmed()});
        }
    }
    return len;
}

int onDebug(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    // Only the moment a request has been written in full matters: a GET ends with its first
    // empty line, and a large one may go out in several pieces. Everything else (which may
    // name the address, key included) is dropped.
    if (type != CURLINFO_HEADER_OUT && type != CURLINFO_DATA_OUT)
        return 0;
    auto *t = static_cast<Transfer *>(user);
    if (t->bodyBytes > 0) {
        // With a body, the request is written once its header block and then all of the
        // body's bytes have gone out. A resend on a fresh connection starts over.
        if (type == CURLINFO_HEADER_OUT) {
            t->writtenTail += QByteArray::fromRawData(data, qsizetype(size)).right(4);
            t->writtenTail = t->writtenTail.right(4);
            if (t->writtenTail == "\r\n\r\n") {
                t->writtenTail.clear();
                t->bodyWritten = 0;
            }
        } else {
            t->bodyWritten += qint64(size);
            if (t->bodyWritten >= t->bodyBytes && t->phase == Transfer::Phase::Sending)
                t->startPhase(Transfer::Phase::Receiving);
        }
        return 0;
    }
    t->writtenTail += QByteArray::fromRawData(data, qsizetype(size)).right(4);
    t->writtenTail = t->writtenTail.right(4);
    if (t->writtenTail == "\r\n\r\n") {
        t->writtenTail.clear();
        t->startPhase(Transfer::Phase::Receiving);
    }
    return 0;
}

RestClient::Error errorFromCurl(CURLcode code)
{
    using E = RestClient::Error;
    switch (code) {
    case CURLE_OK:
        return E::None;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return E::BadAddress;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return E::NameResolution;
    case CURLE_COULDNT_CONNECT:
        return E::Connection;
    case CURLE_OPERATION_TIMEDOUT: // only the connect time-out is left to libcurl
        return E::ConnectTimeout;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED:
        return E::Tls;
    case CURLE_TOO_MANY_REDIRECTS:
        return E::TooManyRedirects;
    case CURLE_FILESIZE_EXCEEDED:
        return E::BodyTooLarge;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return E::ConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return E::Protocol;
    default:
        return E::Other;
    }
}

} // namespace

struct RestClient::Private {
    ClientSettings settings;
    CURL *easy = nullptr;
    CURLM *multi = nullptr;
    curl_slist *headerList = nullptr;
    QByteArray caFile;
    Error error = Error::None;
    int curlCode = 0;

    // Runs one transfer set up on easy, to url; see execute().
    bool perform(const QByteArray &url, Transfer &t, RestResponse &response);
};

RestClient::RestClient(const ClientSettings &settings) : d(std::make_unique<Private>())
{
    ensureCurlInitialised();
    d->settings = settings;
    d->easy = curl_easy_init();
    d->multi = curl_multi_init();
    if (!d->easy || !d->multi)
        return;

    for (const QByteArray &h : commonHeaders())
        d->headerList = curl_slist_append(d->headerList, h.constData());
    // Decoding on, and the Accept-Encoding header libcurl would then add taken out again.
    d->headerList = curl_slist_append(d->headerList, "Accept-Encoding:");

    CURL *e = d->easy;
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, long(settings.maxRedirects));
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, d->headerList);
    curl_easy_setopt(e, CURLOPT_USERAGENT, userAgent().constData());
    curl_easy_setopt(e, CURLOPT_COOKIEFILE, ""); // cookie engine on, in memory only
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(std::max(1, settings.connectTimeoutMs)));
    if (!settings.caFile.isEmpty()) {
        // Replaces the default bundle file; the system's certificate folder stays in use.
        d->caFile = settings.caFile.toLocal8Bit();
        curl_easy_setopt(e, CURLOPT_CAINFO, d->caFile.constData());
    }
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
    // The debug callback only runs in verbose mode; it prints nothing.
    curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
}

RestClient::~RestClient()
{
    if (d->multi)
        curl_multi_cleanup(d->multi);
    if (d->easy)
        curl_easy_cleanup(d->easy);
    curl_slist_free_all(d->headerList);
}

const ClientSettings &RestClient::settings() const
{
    return d->settings;
}

const QString &RestClient::baseAddress() const
{
    return d->settings.endpoint;
}

QList<QByteArray> RestClient::commonHeaders()
{
    return {QByteArrayLiteral("Accept: application/json, text/plain; q=0.9, text/html;q=0.8,"),
            QByteArrayLiteral("Accept-Charset: utf-8, *;q=0.8")};
}

QByteArray RestClient::userAgent()
{
    return QByteArrayLiteral("Trajetix/1.0");
}

bool RestClient::execute(const RestRequest &request, RestResponse &response)
{
    d->error = Error::None;
    d->curlCode = 0;
    if (!d->easy || !d->multi) {
        d->error = Error::Other;
        return false;
    }

    const QByteArray url = d->settings.endpoint.toUtf8() + '?' + request.query();
    Transfer t;
    return d->perform(url, t, response);
}

namespace {

// A header line libcurl can send as it is: a name before a colon, and no byte that would end
// the line early or start another one.
bool isSendableHeaderLine(const QByteArray &line)
{
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return false;
    for (const char c : line) {
        if (c == '\r' || c == '\n' || c == '\0')
            return false;
    }
    for (qsizetype i = 0; i < colon; ++i) {
        const char c = line.at(i);
        if (c == ' ' || c == '\t')
            return false;
    }
    return true;
}

void wipeAndFree(curl_slist *list)
{
    for (curl_slist *node = list; node; node = node->next) {
        volatile char *p = node->data;
        while (p && *p)
            *p++ = 0;
    }
    curl_slist_free_all(list);
}

} // namespace

bool RestClient::post(const QByteArray &body, const QList<QByteArray> &headers, RestResponse &response)
{
    d->error = Error::None;
    d->curlCode = 0;
    if (!d->easy || !d->multi) {
        d->error = Error::Other;
        return false;
    }
    for (const QByteArray &h : headers) {
        if (!isSendableHeaderLine(h)) {
            d->error = Error::BadHeader;
            return false;
        }
    }

    curl_slist *list = nullptr;
    for (const QByteArray &h : commonHeaders())
        list = curl_slist_append(list, h.constData());
    list = curl_slist_append(list, "Accept-Encoding:");
    // No "Expect: 100-continue" round trip before a larger body.
    list = curl_slist_append(list, "Expect:");
    for (const QByteArray &h : headers)
        list = curl_slist_append(list, h.constData());

    CURL *e = d->easy;
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, body.constData());

    Transfer t;
    t.followsRedirects = false;
    t.bodyBytes = body.size();
    const bool ok = d->perform(d->settings.endpoint.toUtf8(), t, response);

    // Back to the handle's own GET set-up; the extra header lines leave memory with the list.
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, d->headerList);
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, nullptr);
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    wipeAndFree(list);
    return ok;
}

bool RestClient::Private::perform(const QByteArray &url, Transfer &t, RestResponse &response)
{
    Private *const d = this;
    t.maxBodyBytes = d->settings.maxBodyBytes;
    t.startPhase(Transfer::Phase::Sending);

    CURL *e = d->easy;
    curl_easy_setopt(e, CURLOPT_URL, url.constData());
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(e, CURLOPT_DEBUGDATA, &t);

    // Driven through the multi handle so the send and response time-outs can be checked
    // between rounds; its connection cache keeps the connection for the next request.
    curl_multi_add_handle(d->multi, e);
    Error timedOut = Error::None;
    bool multiFailed = false;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(d->multi, &running) != CURLM_OK) {
            multiFailed = true;
            break;
        }
        if (running == 0)
            break;
        const bool sending = t.phase == Transfer::Phase::Sending;
        const qint64 limitMs = sending ? qint64(d->settings.connectTimeoutMs) + d->settings.sendTimeoutMs
                                       : qint64(d->settings.responseTimeoutMs);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              t.phaseStart + std::chrono::milliseconds(limitMs) - Clock::now())
                              .count();
        if (left <= 0) {
            timedOut = sending ? Error::SendTimeout : Error::ResponseTimeout;
            break;
        }
        curl_multi_poll(d->multi, nullptr, 0, int(std::min<qint64>(left, 1000)), nullptr);
    }

    CURLcode code = CURLE_OK;
    int queued = 0;
    while (CURLMsg *msg = curl_multi_info_read(d->multi, &queued)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == e)
            code = msg->data.result;
    }
    // Taking the handle out mid-transfer closes that connection: nothing half-read is
    // left on it for the next request.
    curl_multi_remove_handle(d->multi, e);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(e, CURLOPT_DEBUGDATA, nullptr);
    // The address holds the key: do not leave it in the handle between requests.
    curl_easy_setopt(e, CURLOPT_URL, "");

    d->curlCode = int(code);
    if (timedOut != Error::None) {
        d->error = timedOut;
        return false;
    }
    if (multiFailed) {
        d->error = Error::Other;
        return false;
    }
    if (code != CURLE_OK) {
        if (code == CURLE_WRITE_ERROR && t.bodyTooLarge)
            d->error = Error::BodyTooLarge;
        else if (code == CURLE_UNSUPPORTED_PROTOCOL && t.requestWritten)
            d->error = Error::Protocol; // an answer without an HTTP status line
        else
            d->error = errorFromCurl(code);
        return false;
    }
    if (t.statusCode <= 0) {
        d->error = Error::Protocol;
        return false;
    }

    response.assign(t.statusCode, QString::fromLatin1(t.reason), std::move(t.headers), std::move(t.body));
    return true;
}

RestClient::Error RestClient::lastError() const
{
    return d->error;
}

QString RestClient::lastErrorString() const
{
    if (d->error == Error::None)
        return {};
    QString text = errorText(d->error);
    if (d->curlCode != 0)
        text += QStringLiteral(" (libcurl code %1)").arg(d->curlCode);
    return text;
}

QString RestClient::errorText(Error error)
{
    switch (error) {
    case Error::None:
        return {};
    case Error::BadAddress:
        return QStringLiteral("the service address cannot be used");
    case Error::NameResolution:
        return QStringLiteral("the service's host name could not be resolved");
    case Error::Connection:
        return QStringLiteral("could not connect to the service");
    case Error::Tls:
        return QStringLiteral("the secure connection to the service failed");
    case Error::ConnectTimeout:
        return QStringLiteral("connecting to the service timed out");
    case Error::SendTimeout:
        return QStringLiteral("sending the request timed out");
    case Error::ResponseTimeout:
        return QStringLiteral("the service did not answer in time");
    case Error::TooManyRedirects:
        return QStringLiteral("too many redirects");
    case Error::BodyTooLarge:
        return QStringLiteral("the answer is larger than allowed");
    case Error::ConnectionLost:
        return QStringLiteral("the connection was lost before the answer was complete");
    case Error::Protocol:
        return QStringLiteral("the service's answer is not valid HTTP");
    case Error::BadHeader:
        return QStringLiteral("a request header holds characters that cannot be sent");
    case Error::Other:
        break;
    }
    return QStringLiteral("the request failed");
}

} // namespace trajetix
