#include "batch/Dedupe.h"

namespace trajetix {

quint64 DuplicateLines::keyOf(const QString &line)
{
    static_assert(sizeof(size_t) == sizeof(quint64), "a 64-bit hash keeps accidental sharing rare");
    return quint64(qHash(line, size_t(0x5452414a45544958ULL)));
}

void DuplicateLines::add(const QString &line)
{
    ++m_counts[keyOf(line)];
    ++m_lines;
}

quint32 DuplicateLines::use(const QString &line)
{
    const auto it = m_counts.find(keyOf(line));
    if (it == m_counts.end())
        return 0;
    if (*it <= 1) {
        m_counts.erase(it);
        return 0;
    }
    return --*it;
}

} // namespace trajetix
