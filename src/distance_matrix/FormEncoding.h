#pragma once

#include <QByteArray>
#include <QStringView>

namespace trajetix {

// application/x-www-form-urlencoded serialisation of one value, byte by byte over its
// UTF-8 form: ASCII letters, digits and "*-._" as they are, a space as "+", every other
// byte as "%XX" with upper-case hex digits.
QByteArray formUrlEncode(QStringView value);

} // namespace trajetix
