// The settings file's profile reader and writer over arbitrary file contents:
// writing one key keeps every other line byte for byte, the written value reads
// back as written, and no other key changes its value.
#include "FuzzSupport.h"

#include "i18n/CodePage.h"
#include "settings/ProfileFile.h"

#include <QFile>
#include <QList>

#include <stdexcept>

namespace trajetix::fuzz {

namespace {

struct Layout {
    QByteArray mark;
    int unit = 1;
    bool bigEndian = false;
    enum { CodePage, Utf8, Utf16 } kind = CodePage;
};

Layout layoutOf(const QByteArray &bytes)
{
    Layout layout;
    if (bytes.startsWith("\xFF\xFE")) {
        layout = {bytes.left(2), 2, false, Layout::Utf16};
    } else if (bytes.startsWith("\xFE\xFF")) {
        layout = {bytes.left(2), 2, true, Layout::Utf16};
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        layout = {bytes.left(3), 1, false, Layout::Utf8};
    }
    return layout;
}

// The file's lines as bytes, each with its line feed; the last one may lack it.
QList<QByteArray> rawLines(const QByteArray &bytes, const Layout &layout)
{
    const QByteArray lf = layout.unit == 1
                              ? QByteArray("\n")
                              : (layout.bigEndian ? QByteArray("\0\n", 2) : QByteArray("\n\0", 2));
    QList<QByteArray> lines;
    qsizetype start = layout.mark.size();
    for (qsizetype pos = start; pos + layout.unit <= bytes.size(); pos += layout.unit) {
        if (bytes.mid(pos, layout.unit) == lf) {
            lines.append(bytes.mid(start, pos + layout.unit - start));
            start = pos + layout.unit;
        }
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

QByteArray encoded(const QString &text, const Layout &layout)
{
    switch (layout.kind) {
    case Layout::CodePage:
        return codepage::encode(text);
    case Layout::Utf8:
        return text.toUtf8();
    case Layout::Utf16: {
        QByteArray out;
        for (const QChar c : text) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
            out.append(layout.bigEndian ? high : low).append(layout.bigEndian ? low : high);
        }
        return out;
    }
    }
    return {};
}

QString decoded(const QByteArray &bytes, const Layout &layout)
{
    switch (layout.kind) {
    case Layout::CodePage:
        return codepage::decode(bytes);
    case Layout::Utf8:
        return QString::fromUtf8(bytes);
    case Layout::Utf16: {
        QString text;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
            const uchar a = uchar(bytes.at(i)), b = uchar(bytes.at(i + 1));
            text.append(QChar(char16_t(layout.bigEndian ? (a << 8 | b) : (b << 8 | a))));
        }
        return text;
    }
    }
    return {};
}

// What reading gives back for a written value: line breaks became blanks, the
// file's encoding kept what it can, blanks and tabs at both ends are gone, a pair
// of enclosing quotes is gone, and at most 2047 characters remain.
QString expectedReadBack(const QString &value, const Layout &layout)
{
    QString text = value;
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    text = decoded(encoded(text, layout), layout);
    while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove(0, 1);
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') && text.back() == text.front())
        text = text.mid(1, text.size() - 2);
    if (text.size() > 2047)
        text.truncate(text.at(2046).isHighSurrogate() ? 2046 : 2047);
    return text;
}

bool validName(const QString &name, bool isKey)
{
    if (name.isEmpty() || name.front() == u' ' || name.front() == u'\t' || name.back() == u' ' ||
        name.back() == u'\t' || name.contains(u'\r') || name.contains(u'\n'))
        return false;
    return !isKey || !(name.contains(u'=') || name.startsWith(u';') || name.startsWith(u'['));
}

// Printable ASCII and tabs, like every name the program uses.
QString asciiName(const QByteArray &bytes)
{
    QString name;
    for (const char b : bytes)
        name.append(QChar(char16_t(b == '\t' ? '\t' : 0x20 + uchar(b) % 0x5F)));
    return name;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("scratch file cannot be written");
}

const QStringList probeSections = {QStringLiteral("DADOS"), QStringLiteral("Other"), QStringLiteral("x")};
const QStringList probeKeys = {QStringLiteral("caminhoenderecos"), QStringLiteral("mododeslocamento"),
                               QStringLiteral("chaveapigoogle"),   QStringLiteral("idioma"),
                               QStringLiteral("aparencia"),        QStringLiteral("k")};
const QString absent = QStringLiteral("\u0001absent");

} // namespace

void checkProfileFile(QByteArrayView data)
{
    Input input(data);
    const quint8 choice = input.byte();
    const QByteArray sectionBytes = input.piece(16);
    const QByteArray keyBytes = input.piece(16);
    const quint8 valueHow = input.byte();
    const QByteArray valueBytes = input.piece(6000);
    const QByteArray before = input.rest();

    QString section;
    switch (choice & 3) {
    case 0:
        section = QStringLiteral("DADOS");
        break;
    case 1:
        section = QStringLiteral("dados");
        break;
    case 2:
        section = QStringLiteral("Other");
        break;
    default:
        section = asciiName(sectionBytes);
    }
    QString key;
    switch ((choice >> 2) & 3) {
    case 0:
        key = QStringLiteral("chaveapigoogle");
        break;
    case 1:
        key = QStringLiteral("IDIOMA");
        break;
    case 2:
        key = QStringLiteral("k");
        break;
    default:
        key = asciiName(keyBytes);
    }
    const QString value = textFromBytes(valueBytes, valueHow);
    const bool fileExists = !(choice & 0x10) || !before.isEmpty();

    const QString path = scratchPath(QStringLiteral("config.ini"));
    QFile::remove(path);
    if (fileExists)
        writeFile(path, before);

    ProfileFile profile(path);
    QList<QString> probesBefore;
    QStringList sections = probeSections;
    sections.append(section);
    QStringList keys = probeKeys;
    keys.append(key);
    for (const QString &s : std::as_const(sections))
        for (const QString &k : std::as_const(keys))
            probesBefore.append(profile.readString(s, k, absent));

    const bool namesValid = validName(section, false) && validName(key, true);
    try {
        profile.writeString(section, key, value);
        FUZZ_CHECK(namesValid, u"invalid name accepted: " + show(section) + u' ' + show(key));
    } catch (const std::invalid_argument &) {
        FUZZ_CHECK(!namesValid, u"valid name refused: " + show(section) + u' ' + show(key));
        FUZZ_CHECK(readFile(path) == before, QStringLiteral("a refused write changed the file"));
        return;
    } catch (const SettingsError &error) {
        FUZZ_CHECK(false, u"write failed: " + error.message());
    }

    const QByteArray after = readFile(path);
    const Layout layout = layoutOf(before);
    FUZZ_CHECK(after.startsWith(layout.mark), QStringLiteral("byte-order mark lost"));

    // Every line but the one written (or the lines added) stays byte for byte.
    const QList<QByteArray> oldLines = rawLines(before, layout);
    const QList<QByteArray> newLines = rawLines(after, layout);
    qsizetype prefix = 0;
    while (prefix < oldLines.size() && prefix < newLines.size() && oldLines.at(prefix) == newLines.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < oldLines.size() - prefix && suffix < newLines.size() - prefix &&
           oldLines.at(oldLines.size() - 1 - suffix) == newLines.at(newLines.size() - 1 - suffix))
        ++suffix;
    const QList<QByteArray> removed = oldLines.mid(prefix, oldLines.size() - prefix - suffix);
    QList<QByteArray> added = newLines.mid(prefix, newLines.size() - prefix - suffix);
    const QString context = u"before " + showBytes(before) + u" after " + showBytes(after);

    const QByteArray crlf = encoded(QStringLiteral("\r\n"), layout);
    const QByteArray lf = encoded(QStringLiteral("\n"), layout);
    bool lastLineTerminated = false;
    const auto terminated = [&](const QByteArray &line) {
        return line.size() % layout.unit == 0 && line.endsWith(lf);
    };
    if (removed.size() == 1 && prefix + 1 == oldLines.size() && !terminated(removed.first()) &&
        !added.isEmpty()) {
        // A last line without a line break gets one when a line is added after it.
        // (A UTF-16 file's stray odd last byte is dropped then.)
        QByteArray last = removed.first();
        last.chop(last.size() % layout.unit);
        const QByteArray breakAdded = last.endsWith(encoded(QStringLiteral("\r"), layout)) ? lf : crlf;
        if (added.first() == last + breakAdded) {
            added.removeFirst();
            // (Nothing after it: the line was the key's own and was rewritten unchanged.)
            lastLineTerminated = true;
        }
    }
    if (!lastLineTerminated) {
        FUZZ_CHECK(removed.size() <= 1, u"more than one line changed: " + context);
        FUZZ_CHECK(removed.isEmpty() || added.size() == 1, u"a line was replaced by several: " + context);
    }
    FUZZ_CHECK(added.size() <= 2, u"more than two lines added: " + context);
    for (const QByteArray &line : std::as_const(added))
        FUZZ_CHECK(line.endsWith(crlf), u"a written line lacks CR LF: " + context);

    const QString readBack = profile.readString(section, key, absent);
    const QString expected = expectedReadBack(value, layout);
    FUZZ_CHECK(readBack == expected,
               u"read back " + show(readBack) + u" expected " + show(expected) + u' ' + context);

    qsizetype probe = 0;
    for (const QString &s : std::as_const(sections)) {
        for (const QString &k : std::as_const(keys)) {
            const QString now = profile.readString(s, k, absent);
            const bool written =
                s.compare(section, Qt::CaseInsensitive) == 0 && k.compare(key, Qt::CaseInsensitive) == 0;
            FUZZ_CHECK(written || now == probesBefore.at(probe),
                       u"key " + show(s) + u'/' + show(k) + u" changed from " + show(probesBefore.at(probe)) +
                           u" to " + show(now) + u' ' + context);
            ++probe;
        }
    }
}

} // namespace trajetix::fuzz
