#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

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
    // Keeps the first keepBytes bytes of the file (created when missing), cuts what follows
    // and writes after them. Kept bytes count as the start of the file: the UTF-8 mark is
    // written only when none are kept.
    OpenResult openToAppend(const QString &fileName, const FileIdentity &input, qint64 keepBytes);
    // Writes a new file beside fileName (same folder, a name of its own) that takes its
    // place only on commit(); until then fileName stays as it is, whatever happens.
    OpenResult openReplacement(const QString &fileName, const FileIdentity &input);

    void setUnicode(bool unicode) { m_unicode = unicode; }

    // After open: a thread of the writer's own hands the buffered rows to the system and
    // syncs them to disk once a second, so that a killed process or a power loss costs at
    // most the rows of the last second or so. The window's run keeps a plain buffer.
    void setDurable(bool durable);

    // False once any write has failed; the row is then not written.
    bool writeRow(const QString &row);
    // A row already encoded (without CR LF, and without the mark), written as it is.
    bool writeEncodedRow(const QByteArray &row);
    // Hands the buffered rows to the system (no sync).
    bool flush();
    // Writes out the buffer and asks the system to put the file on disk.
    bool finish();
    // Writes out what is buffered (unless a write failed before) and closes. A replacement
    // that was not committed is removed.
    bool close();

    // For a replacement: finish(), then rename it over the file it replaces and sync the
    // folder. The writer is closed afterwards.
    bool commit();
    const QString &replacementName() const { return m_replacementName; }

    bool isOpen() const { return m_fd >= 0; }
    bool hasFailed() const;
    int errorNumber() const;

  private:
    OpenResult openFile(const QString &fileName, const FileIdentity &input, bool truncate);
    bool flushLocked();
    bool fail();
    bool appendLocked(const QByteArray &encodedRow);
    void stopTicker();
    void tick();

    int m_fd = -1;
    bool m_unicode = false;
    bool m_markWritten = false;
    bool m_failed = false;
    int m_errno = 0;
    QByteArray m_buffer;
    QString m_replacementName; // the new file while it is written
    QString m_replacedName;    // the file it replaces

    mutable std::mutex m_mutex; // the buffer, the failure, the descriptor's writes
    std::thread m_ticker;
    std::condition_variable m_tickerWake;
    bool m_tickerStop = false;
    bool m_dirty = false; // written to the system since the last sync
};

} // namespace trajetix
