#include "cli/ServiceReporter.h"

namespace trajetix::cli {

void ServiceReporter::beforeFirstRequest()
{
    if (!m_notice.isEmpty())
        m_messages.showMessage(MessageKind::Warning, m_notice);
}

void ServiceReporter::lineAnswered(const LineAnswer &answer)
{
    if (m_reasonShown || answer.kind != LineAnswer::Kind::Refused || answer.serviceMessage.isEmpty())
        return;
    m_reasonShown = true;
    m_messages.showMessage(MessageKind::Warning, answer.serviceMessage);
}

} // namespace trajetix::cli
