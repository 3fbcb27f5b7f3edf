#pragma once

#include <QByteArray>
#include <QString>

#include "batch/PosixFile.h"
#include "batch/TextEncoding.h"

namespace trajetix {

// One line of the address file split at its first ';'. A line without ';' has an
// empty origin and the whole line as destination. Nothing is trimmed.
struct AddressPair {
    QString origin;
    QString destination;
};
AddressPair splitAddressLine(const QString &line);

// Reads an address file line by line, holding one chunk and the line in work.
// A line ends at LF; every CR is dropped (so CR LF ends a line too, a CR alone joins
// the text around it, and a CR at the end of the file vanishes); the character
// 0x1A ends the input; text after the last LF is one more line, an LF at the end
// adds none. A byte-order mark (UTF-8, UTF-16 LE/BE) chooses the decoding and is not
// part of the text; without one the bytes are Windows-1252.
class AddressReader {
  public:
    enum class Status { Line, End, Error };

    AddressReader() = default;
    ~AddressReader();
    AddressReader(const AddressReader &) = delete;
    AddressReader &operator=(const AddressReader &) = delete;

    // Opens the file and reads its first chunk; false when it is missing, a folder,
    // or cannot be read (errorNumber() tells why).
    bool open(const QString &fileName);
    bool isOpen() const { return m_fd >= 0; }
    TextEncoding encoding() const { return m_encoding; }
    bool hasByteOrderMark() const { return m_encoding != TextEncoding::Windows1252; }
    const FileIdentity &identity() const { return m_identity; }

    // Error: a read failure, or text that its mark's encoding cannot decode
    // (invalid UTF-8, an unpaired UTF-16 surrogate, a lone byte at the end of UTF-16),
    // or a file that ends before the size it had when it was opened (cut short while
    // it was read: its last line read would be only part of a line).
    Status readLine(QString &line);
    void close();
    int errorNumber() const { return m_errno; }

  private:
    bool fill();
    Status readByteLine(QString &line);
    Status readUnitLine(QString &line);
    Status finishByteLine(QString &line);
    Status finishUnitLine(QString &line);

    int m_fd = -1;
    int m_errno = 0;
    TextEncoding m_encoding = TextEncoding::Windows1252;
    FileIdentity m_identity;
    QByteArray m_chunk; // bytes read and not yet used start at m_pos
    qsizetype m_pos = 0;
    bool m_eof = false;   // the file has no more bytes
    qint64 m_sizeAtOpen = -1; // of a regular file; -1 for anything else
    qint64 m_bytesRead = 0;
    bool m_ended = false; // no more lines (end of file or 0x1A reached)
    QByteArray m_line;    // the 8-bit or UTF-8 line in work
    QString m_units;      // UTF-16 text decoded; not yet used from m_unitPos on
    qsizetype m_unitPos = 0;
    QString m_unitLine; // the UTF-16 line in work
    bool m_oddByte = false;
    char m_pendingByte = 0;
};

} // namespace trajetix
