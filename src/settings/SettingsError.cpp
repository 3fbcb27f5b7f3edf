#include "settings/SettingsError.h"

namespace trajetix {

SettingsError::SettingsError(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

QString SettingsError::message() const
{
    return m_message;
}

} // namespace trajetix
