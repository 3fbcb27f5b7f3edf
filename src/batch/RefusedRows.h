#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace trajetix {

// Recognises, in a result file, the rows written for a line the service refused (or that
// got no answer): the line's two halves as read, then the refused text twice, in any of
// the interface languages, encoded as the result file is.
class RefusedRowMatcher {
  public:
    // unicode: the result file is UTF-8 (its address file had a byte-order mark);
    // otherwise Windows-1252.
    explicit RefusedRowMatcher(bool unicode);

    // row: the row's bytes without CR LF and without the file's mark. line: the address
    // line the row was written for.
    bool isRefused(const QByteArray &row, const QString &line) const;

  private:
    QByteArray encode(const QString &text) const;

    bool m_unicode;
    QList<QByteArray> m_tails; // ";T;T" for each language's refused text T
};

} // namespace trajetix
