#pragma once

#include <QString>

#include <optional>

namespace trajetix {

// The number of lines of an address file as the window shows it and as the progress
// maximum of a run: a byte-order mark (UTF-8, UTF-16 LE or BE) chooses the decoding,
// else the bytes are Windows-1252; a line ends at CR, LF or CR LF (LF CR is two
// breaks); text after the last break is one more line; NUL is an ordinary character.
// nullopt when the file cannot be opened or read, when bytes after a UTF-8 mark are
// not valid UTF-8, or when the count does not fit an int.
// The file is read in fixed-size chunks, never held whole.
std::optional<int> countAddressLines(const QString &fileName);

} // namespace trajetix
