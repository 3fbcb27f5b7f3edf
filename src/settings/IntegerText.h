#pragma once

#include "settings/SettingsError.h"

#include <QString>

namespace trajetix {

// The integer rule of the settings file: after any leading spaces, an optional
// "+" or "-", then either decimal digits within the signed 32-bit range, or one
// of the prefixes "$", "x", "X", "0x", "0X" and at least one hexadecimal digit
// whose value fits in 32 bits, taken as a signed 32-bit pattern ("$FFFFFFFF" is
// -1; a sign applies to that pattern, so "-$10" is -16). Nothing may follow.
// Anything else, the empty text included, throws SettingsError with
// "'<text>' is not a valid integer value for Integer type".
int strToInt(const QString &text);

} // namespace trajetix
