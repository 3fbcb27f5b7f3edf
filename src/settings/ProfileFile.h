#pragma once

#include "settings/SettingsError.h"

#include <QString>

namespace trajetix {

// One profile (INI) file, read and written one key per call. It keeps no data:
// every read opens the file anew and every write has reached the file when it
// returns.
//
// Reading follows the platform's profile-file rules:
// - lines end with CR LF or a bare LF;
// - a section line is "[name]", blanks and tabs allowed before "[" and around the
//   name; the name ends at the line's last "]", text after it is ignored;
// - a line whose first character other than blanks and tabs is ";" is a comment;
// - any other line holding "=" is a key line: the key is the text before the first
//   "=", the value the text after it, both with blanks and tabs removed at both
//   ends; lines without "=" hold no key;
// - section and key names are compared without regard to case; of two sections or
//   two keys with the same name, the first one counts (for writing too);
// - lines before the first section belong to none and are never read;
// - a value enclosed in a matching pair of double or single quotes loses them, and
//   is then cut after its 2047th character (never between the two halves of a
//   surrogate pair);
// - a missing file, section or key gives the default.
//
// Encoding: a file starting with the UTF-16 LE byte-order mark is read and updated
// in UTF-16 LE; likewise with the UTF-16 BE and UTF-8 marks; any other file is
// Windows-1252. A file the program creates is Windows-1252 without a mark, so a
// value's characters outside that code page become close equivalents or "?".
//
// Writing changes exactly one line, or adds lines, and keeps every other byte:
// - an existing key's line becomes "<key as spelt in the file>=<value>" CR LF;
// - a missing key is added right after the last key line of its section (after the
//   section line when it has none), so blank and comment lines closing a section
//   stay in front of the next section;
// - a missing section is added at the end of the file: "[section]" CR LF, then the
//   key line; a missing file is created that way (its folder must exist) and is
//   readable and writable by its owner only;
// - a last line without a line break gets CR LF when a line is added after it (a
//   UTF-16 file's stray odd last byte, half a character, is dropped then);
// - the value is written as given ("key=" when empty), except that line breaks in
//   it become blanks, since they would split the entry into lines of their own.
class ProfileFile {
public:
    explicit ProfileFile(const QString &fileName);

    QString fileName() const;

    QString readString(const QString &section, const QString &key, const QString &defaultValue = {}) const;

    // Throws SettingsError("Unable to write to <full file name>") when the file
    // cannot be read or written; the file is then left as it was. Section and key
    // must be non-empty names without line breaks, blanks at either end, "=" (key)
    // or a leading ";" or "["; other names throw std::invalid_argument.
    void writeString(const QString &section, const QString &key, const QString &value);

private:
    QString m_fileName;
};

} // namespace trajetix
