#pragma once

#include <QByteArray>
#include <QString>

namespace trajetix {

// The UTF-8 byte-order mark a result file starts with when its address file had a mark.
inline constexpr char Utf8Mark[] = "\xEF\xBB\xBF";
inline constexpr qsizetype Utf8MarkLength = 3;

// What an existing result file holds: its rows end in CR LF, and whatever follows the
// last CR LF is a row cut short (a run that was killed while writing it).
struct ResultFileScan {
    bool exists = false;
    qint64 size = 0;
    qint64 completeRows = 0;
    qint64 completeBytes = 0;   // up to and including the last CR LF (0 without one)
    bool byteOrderMark = false; // the file starts with the UTF-8 mark
};

// Reads the whole file once, in chunks. A file that does not exist gives exists false
// and true; false (errorNumber set) when it exists but cannot be read or is a folder.
bool scanResultFile(const QString &fileName, ResultFileScan &scan, int &errorNumber);

// Reads a result file row by row: each row without its CR LF, the first one without the
// UTF-8 mark. A last row without CR LF is reported as incomplete, not as a row.
class ResultRowReader {
  public:
    enum class Status { Row, End, Incomplete, Error };

    ResultRowReader() = default;
    ~ResultRowReader();
    ResultRowReader(const ResultRowReader &) = delete;
    ResultRowReader &operator=(const ResultRowReader &) = delete;

    bool open(const QString &fileName);
    bool hasByteOrderMark() const { return m_mark; }
    Status readRow(QByteArray &row);
    void close();
    int errorNumber() const { return m_errno; }

  private:
    bool fill();

    int m_fd = -1;
    int m_errno = 0;
    bool m_mark = false;
    bool m_eof = false;
    QByteArray m_chunk;
    qsizetype m_pos = 0;
};

} // namespace trajetix
