#pragma once

#include <QByteArray>
#include <QString>

namespace trajetix {

// Replaces the whole content of the file `path` so that a failure never leaves it
// truncated or half written. Returns false when the file could not be written; it
// is then as it was.
//
// - The new content goes to a temporary file in the same folder, is flushed to the
//   disk and renamed over the file, which keeps its permission bits, owner and
//   group. A file the call creates is readable and writable by its owner only.
// - A file that has no write permission bit at all is taken as marked read-only and
//   is refused, also for a user (root) whose writes the bits would not stop.
// - A symbolic link is followed, so the link stays a link to the updated file.
// - When the folder cannot take the temporary file but the file itself can be
//   written (or the file has other hard links, or its owner could not be kept),
//   the file is rewritten in place: the extra space is reserved first, so running
//   out of space fails before a byte changes.
bool replaceFileContents(const QString &path, const QByteArray &bytes);

} // namespace trajetix
