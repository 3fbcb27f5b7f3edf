#pragma once

// Test doubles for the batch run: a route service answering from a script, and
// recorders for messages and progress.

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <functional>

#include "batch/RouteService.h"
#include "batch/RunProgress.h"
#include "i18n/Messages.h"

namespace batchtest {

// What the service does for one request.
struct Answer {
    enum Kind {
        Found,               // status OK, element OK, distance and duration
        NotFound,            // status OK, element status `element`
        Refused,             // top-level status `status`
        SendFails,           // no response at all
        StatusUnreadable,    // the first reading step fails
        AddressesUnreadable, // status OK, the second step fails
        DistanceUnreadable,  // status and element OK, the third step fails
    };
    Kind kind = Found;
    QString status = QStringLiteral("OK");
    QString element = QStringLiteral("OK");
    QString origin;
    QString destination;
    QString distance;
    QString duration;
};

inline Answer found(const QString &origin, const QString &destination, const QString &distance,
                    const QString &duration)
{
    Answer a;
    a.origin = origin;
    a.destination = destination;
    a.distance = distance;
    a.duration = duration;
    return a;
}
inline Answer notFound(const QString &element = QStringLiteral("ZERO_RESULTS"))
{
    Answer a;
    a.kind = Answer::NotFound;
    a.element = element;
    a.origin = QStringLiteral("resolved origin");
    a.destination = QStringLiteral("resolved destination");
    return a;
}
inline Answer refused(const QString &status = QStringLiteral("REQUEST_DENIED"))
{
    Answer a;
    a.kind = Answer::Refused;
    a.status = status;
    return a;
}
inline Answer failing(Answer::Kind kind)
{
    Answer a;
    a.kind = kind;
    return a;
}

using Script = QList<Answer>;

// Answers request n with script[n]; past the script's end every pair is found and
// resolved to "<origin>!" / "<destination>!". Like a real client it keeps the last
// answer that arrived, so reading after a failed send would see the earlier line's.
class ScriptedService : public trajetix::RouteService {
  public:
    explicit ScriptedService(Script script = {}) : m_script(std::move(script)) {}

    void setKey(const QString &key) override { calls << QStringLiteral("key=") + key; }
    void setMode(const QString &mode) override { calls << QStringLiteral("mode=") + mode; }
    void setPair(const QString &origin, const QString &destination) override
    {
        calls << QStringLiteral("pair=") + origin + u'|' + destination;
        m_origin = origin;
        m_destination = destination;
    }
    bool send() override
    {
        calls << QStringLiteral("send");
        const int n = sends++;
        if (onSend)
            onSend(n);
        Answer answer = n < m_script.size() ? m_script.at(n)
                                            : found(m_origin + u'!', m_destination + u'!',
                                                    QStringLiteral("1 km"), QStringLiteral("2 mins"));
        if (answer.kind == Answer::SendFails)
            return false;
        m_held = answer;
        m_hasAnswer = true;
        return true;
    }
    bool readStatus(QString &status) override
    {
        calls << QStringLiteral("status");
        if (!m_hasAnswer || m_held.kind == Answer::StatusUnreadable)
            return false;
        status = m_held.kind == Answer::Refused ? m_held.status : QStringLiteral("OK");
        return true;
    }
    bool readAddressesAndElement(QString &origin, QString &destination, QString &elementStatus) override
    {
        calls << QStringLiteral("addresses");
        if (!m_hasAnswer || m_held.kind == Answer::AddressesUnreadable)
            return false;
        origin = m_held.origin;
        destination = m_held.destination;
        elementStatus = m_held.kind == Answer::NotFound ? m_held.element : QStringLiteral("OK");
        return true;
    }
    bool readDistanceAndDuration(QString &distance, QString &duration) override
    {
        calls << QStringLiteral("distance");
        if (!m_hasAnswer || m_held.kind == Answer::DistanceUnreadable)
            return false;
        distance = m_held.distance;
        duration = m_held.duration;
        return true;
    }

    QStringList calls;
    int sends = 0;
    std::function<void(int)> onSend; // called with the request's number, from 0

    // The pairs sent, as "origin|destination".
    QStringList pairs() const
    {
        QStringList result;
        for (const QString &call : calls) {
            if (call.startsWith(QStringLiteral("pair=")))
                result << call.mid(5);
        }
        return result;
    }

  private:
    Script m_script;
    Answer m_held;
    bool m_hasAnswer = false;
    QString m_origin;
    QString m_destination;
};

class RecordingSink : public trajetix::MessageSink {
  public:
    void showMessage(trajetix::MessageKind kind, const QString &text) override
    {
        messages << trajetix::messageKindTitle(kind) + QStringLiteral(": ") + text;
        if (onMessage)
            onMessage();
    }
    QStringList messages; // "<Kind>: <text>"
    std::function<void()> onMessage;
};

// Records every call as "max G 3", "pos C 1" (G overall bar, C current line),
// refusing a maximum below 1 like a real bar.
class RecordingProgress : public trajetix::RunProgress {
  public:
    bool setMaximum(Bar bar, int maximum) override
    {
        events << QStringLiteral("max %1 %2").arg(name(bar)).arg(maximum);
        return maximum >= Minimum;
    }
    void setPosition(Bar bar, int position) override
    {
        events << QStringLiteral("pos %1 %2").arg(name(bar)).arg(position);
    }
    QStringList events;

  private:
    static QString name(Bar bar) { return bar == Bar::General ? QStringLiteral("G") : QStringLiteral("C"); }
};

} // namespace batchtest

Q_DECLARE_METATYPE(batchtest::Script)
