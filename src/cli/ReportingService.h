#pragma once

#include <QString>

#include "batch/RouteService.h"
#include "i18n/Messages.h"

namespace trajetix::cli {

// The command's view of the route service: everything goes through to it, and on the way
// a notice is shown once before the first request, and the service's own reason for a
// refusal is shown once, as a warning, when the first refused answer that gives one is read
// (so a user learns why: "API key not valid", "… has not been used in project … or it is
// disabled"). The key never reaches the messages: the services mask it.
class ReportingService : public RouteService {
  public:
    ReportingService(RouteService &inner, MessageSink &messages) : m_inner(inner), m_messages(messages) {}

    // Shown as a warning before the first request; empty: none.
    void setNoticeBeforeFirstRequest(const QString &notice) { m_notice = notice; }

    void setKey(const QString &key) override { m_inner.setKey(key); }
    void setMode(const QString &mode) override { m_inner.setMode(mode); }
    void setPair(const QString &origin, const QString &destination) override
    {
        m_inner.setPair(origin, destination);
    }
    bool send() override;
    bool readStatus(QString &status) override;
    bool readAddressesAndElement(QString &origin, QString &destination, QString &elementStatus) override
    {
        return m_inner.readAddressesAndElement(origin, destination, elementStatus);
    }
    bool readDistanceAndDuration(QString &distance, QString &duration) override
    {
        return m_inner.readDistanceAndDuration(distance, duration);
    }
    QString serviceMessage() const override { return m_inner.serviceMessage(); }

  private:
    RouteService &m_inner;
    MessageSink &m_messages;
    QString m_notice;
    bool m_sent = false;
    bool m_reasonShown = false;
};

} // namespace trajetix::cli
