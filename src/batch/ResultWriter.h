#pragma once

#include <QByteArray>
#include <QString>

#include "batch/PosixFile.h"

namespace trajetix {

// Writes the result file through a buffer: each row followed by CR LF, in
// Windows-1252 (characters it lacks as a close equivalent or '?') or, for an
// address file that had a byte-order mark, in UTF-8 starting with its mark.
// Every write, sync and close failure is kept and reported, never lost.
class ResultWriter {
  public:
    enum class OpenResult { Opened, SameAsInput, Failed };

    ResultWriter() = default;
    ~ResultWriter(); // closes without reporting; call close() to learn the outcome
    ResultWriter(const ResultWriter &) = delete;
    ResultWriter &operator=(const ResultWriter &) = delete;

    // Creates the file, or empties it if it exists. A name that leads to the file of
    // `input` (any spelling, symbolic or hard link) is refused before anything is
    // opened for writing, so that file stays untouched.
    OpenResult open(const QString &fileName, const FileIdentity &input);
    void setUnicode(bool unicode) { m_unicode = unicode; }

    // False once any write has failed; the row is then not written.
    bool writeRow(const QString &row);
    // Writes out the buffer and asks the system to put the file on disk.
    bool finish();
    // Writes out what is buffered (unless a write failed before) and closes.
    bool close();

    bool isOpen() const { return m_fd >= 0; }
    bool hasFailed() const { return m_failed; }
    int errorNumber() const { return m_errno; }

  private:
    bool flush();
    bool fail();

    int m_fd = -1;
    bool m_unicode = false;
    bool m_markWritten = false;
    bool m_failed = false;
    int m_errno = 0;
    QByteArray m_buffer;
};

} // namespace trajetix
