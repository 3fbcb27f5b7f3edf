#pragma once

#include <QString>

#include <stdexcept>

namespace trajetix {

// A failure of the settings file or of a value read from it. The message is the
// text the user sees (the window adds the full stop); it never holds a value of
// the file, so the API key cannot leak through it.
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const QString &message);
    QString message() const;

private:
    QString m_message;
};

} // namespace trajetix
