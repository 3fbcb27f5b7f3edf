#include "cli/ReportingService.h"

namespace trajetix::cli {

bool ReportingService::send()
{
    if (!m_sent) {
        m_sent = true;
        if (!m_notice.isEmpty())
            m_messages.showMessage(MessageKind::Warning, m_notice);
    }
    return m_inner.send();
}

bool ReportingService::readStatus(QString &status)
{
    if (!m_inner.readStatus(status))
        return false;
    if (!m_reasonShown && status != u"OK") {
        const QString reason = m_inner.serviceMessage();
        if (!reason.isEmpty()) {
            m_reasonShown = true;
            m_messages.showMessage(MessageKind::Warning, reason);
        }
    }
    return true;
}

} // namespace trajetix::cli
