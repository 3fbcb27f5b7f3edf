#include "batch/RefusedRows.h"

#include "batch/AddressReader.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"

namespace trajetix {

RefusedRowMatcher::RefusedRowMatcher(bool unicode) : m_unicode(unicode)
{
    for (int language = 0; language < LanguageCount; ++language) {
        const QByteArray text = encode(messageSlots(language).msgdlgbtnProcessarErroArq2);
        const QByteArray tail = ';' + text + ';' + text;
        if (!m_tails.contains(tail))
            m_tails.append(tail);
    }
}

QByteArray RefusedRowMatcher::encode(const QString &text) const
{
    return m_unicode ? text.toUtf8() : codepage::encode(text);
}

bool RefusedRowMatcher::isRefused(const QByteArray &row, const QString &line) const
{
    QByteArray halves;
    for (const QByteArray &tail : m_tails) {
        if (!row.endsWith(tail))
            continue;
        if (halves.isNull()) {
            // The halves as the run wrote them: a line without ';' has an empty origin.
            const AddressPair pair = splitAddressLine(line);
            halves = encode(pair.origin + u';' + pair.destination);
        }
        if (QByteArrayView(row).chopped(tail.size()) == halves)
            return true;
    }
    return false;
}

} // namespace trajetix
