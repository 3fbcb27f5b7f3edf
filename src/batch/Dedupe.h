#pragma once

#include <QHash>
#include <QString>

namespace trajetix {

// How often each address line occurs among the lines a run will ask about, counted before
// the run, so that the run keeps an answer only while a later identical line still needs
// it. Lines are told apart by a 64-bit hash: two different lines that share one only make
// an answer be kept longer, never given to the wrong line (the answers are kept by the
// whole line text).
class DuplicateLines {
  public:
    void add(const QString &line);

    qint64 lines() const { return m_lines; }
    // Different lines among them (two lines sharing a hash count once).
    qint64 distinct() const { return m_counts.size(); }

    // One occurrence of the line is used by the run; returns how many identical lines are
    // still to come after it.
    quint32 use(const QString &line);

  private:
    static quint64 keyOf(const QString &line);

    QHash<quint64, quint32> m_counts;
    qint64 m_lines = 0;
};

} // namespace trajetix
