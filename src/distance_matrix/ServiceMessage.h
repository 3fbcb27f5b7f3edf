#pragma once

#include <QString>

namespace trajetix {

// A reason text a web service sent with a refusal, made fit to print on a terminal or in a
// message: every occurrence of the key (as sent, and trimmed) replaced by "***" when the key
// has at least 8 characters (shorter ones would mask ordinary words and are no real key),
// control characters (C0, DEL, C1) and line breaks made single blanks, blanks at the ends
// trimmed.
QString printableServiceMessage(const QString &message, const QString &key);

} // namespace trajetix
