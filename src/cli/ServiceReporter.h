#pragma once

#include <QString>

#include "batch/BatchRun.h"
#include "i18n/Messages.h"

namespace trajetix::cli {

// What the command tells about the route service as the run goes: a notice once before
// the first request, and the service's own reason for a refusal once, as a warning, when
// the first refused answer that gives one comes to its turn (so a user learns why: "API
// key not valid", "… has not been used in project … or it is disabled"). It follows the
// run's lines in input order, so its messages fall in the same place with any number of
// jobs. The key never reaches the messages: the services mask it.
class ServiceReporter : public LineObserver {
  public:
    explicit ServiceReporter(MessageSink &messages) : m_messages(messages) {}

    // Shown as a warning before the first request; empty: none.
    void setNoticeBeforeFirstRequest(const QString &notice) { m_notice = notice; }

    void beforeFirstRequest() override;
    void lineAnswered(const LineAnswer &answer) override;

  private:
    MessageSink &m_messages;
    QString m_notice;
    bool m_reasonShown = false;
};

} // namespace trajetix::cli
