#include "i18n/CodePage.h"

#include <QHash>
#include <QStringDecoder>

#include <array>
#include <cerrno>
#include <clocale>
#include <iconv.h>

namespace trajetix::codepage {

namespace {

struct Tables {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, char> fromUnicode;
};

// Built once from the platform's converter, so no hand-written table can drift.
const Tables &tables()
{
    static const Tables t = [] {
        Tables result;
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QStringDecoder decoder("windows-1252");
        const QString text = decoder.decode(all);
        Q_ASSERT(text.size() == 256);
        for (int i = 0; i < 256; ++i) {
            result.toUnicode[i] = text.at(i).unicode();
            result.fromUnicode.insert(text.at(i).unicode(), char(i));
        }
        return result;
    }();
    return t;
}

// glibc transliterates only under a UTF-8 locale; switch this thread alone to one.
// The locale is made once for the process: making it costs about 0.1 ms, which
// for every character outside the code page made long texts take seconds.
class Utf8LocaleScope {
public:
    Utf8LocaleScope() : m_locale(utf8Locale())
    {
        if (m_locale)
            m_previous = uselocale(m_locale);
    }
    ~Utf8LocaleScope()
    {
        if (m_locale)
            uselocale(m_previous);
    }
    Utf8LocaleScope(const Utf8LocaleScope &) = delete;
    Utf8LocaleScope &operator=(const Utf8LocaleScope &) = delete;

private:
    static locale_t utf8Locale()
    {
        static const locale_t locale = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
        return locale;
    }

    locale_t m_locale;
    locale_t m_previous = nullptr;
};

// A close equivalent for one character outside the code page, or '?'.
QByteArray transliterate(QStringView character)
{
    const QByteArray utf8 = character.toUtf8();
    Utf8LocaleScope scope;
    iconv_t cd = iconv_open("WINDOWS-1252//TRANSLIT", "UTF-8");
    if (cd == iconv_t(-1))
        return QByteArrayLiteral("?");
    QByteArray out(16, '\0');
    char *in = const_cast<char *>(utf8.constData());
    size_t inLeft = size_t(utf8.size());
    char *outPtr = out.data();
    size_t outLeft = size_t(out.size());
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    out.truncate(out.size() - int(outLeft));
    if (rc == size_t(-1) || inLeft != 0 || out.isEmpty())
        return QByteArrayLiteral("?");
    return out;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    const auto &table = tables().toUnicode;
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char b : bytes)
        *out++ = QChar(table[uchar(b)]);
    return text;
}

QByteArray encode(QStringView text)
{
    const auto &map = tables().fromUnicode;
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            out.append(char(c));
            continue;
        }
        const auto it = map.constFind(c);
        if (it != map.constEnd()) {
            out.append(it.value());
            continue;
        }
        // A surrogate pair is one character; an unpaired surrogate has no equivalent.
        qsizetype length = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            length = 2;
        if (text.at(i).isSurrogate() && length == 1)
            out.append('?');
        else
            out.append(transliterate(text.mid(i, length)));
        i += length - 1;
    }
    return out;
}

} // namespace trajetix::codepage
