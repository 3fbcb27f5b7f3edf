#include "settings/ProfileFile.h"

#include "i18n/CodePage.h"
#include "settings/FileReplace.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include <stdexcept>

namespace trajetix {

namespace {

constexpr qsizetype maxValueLength = 2047;

enum class Encoding { CodePage, Utf8, Utf16LE, Utf16BE };

// A line as it is in the file (line break included) and as text (without it).
// Lines that are not changed are written back from `raw`, so no decoding or
// encoding quirk can alter them.
struct Line {
    QByteArray raw;
    QString text;
    bool terminated = false;
};

struct Document {
    Encoding encoding = Encoding::CodePage;
    QByteArray mark;
    QList<Line> lines;
};

qsizetype unitSize(Encoding encoding)
{
    return encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE ? 2 : 1;
}

char16_t unitAt(const QByteArray &bytes, qsizetype pos, Encoding encoding)
{
    const auto byte = [&](qsizetype i) { return char16_t(uchar(bytes.at(i))); };
    switch (encoding) {
    case Encoding::Utf16LE:
        return char16_t(byte(pos) | (byte(pos + 1) << 8));
    case Encoding::Utf16BE:
        return char16_t((byte(pos) << 8) | byte(pos + 1));
    default:
        return byte(pos);
    }
}

QString decode(const QByteArray &bytes, Encoding encoding)
{
    switch (encoding) {
    case Encoding::CodePage:
        return codepage::decode(bytes);
    case Encoding::Utf8:
        return QString::fromUtf8(bytes);
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        // Unit by unit, so that even unpaired surrogates keep their place.
        QString text;
        text.reserve(bytes.size() / 2);
        for (qsizetype pos = 0; pos + 1 < bytes.size(); pos += 2)
            text.append(QChar(unitAt(bytes, pos, encoding)));
        return text;
    }
    }
    return {};
}

QByteArray encode(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::CodePage:
        return codepage::encode(text);
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        QByteArray bytes;
        bytes.reserve(text.size() * 2);
        for (const QChar c : text) {
            const char low = char(c.unicode() & 0xFF);
            const char high = char(c.unicode() >> 8);
            if (encoding == Encoding::Utf16LE)
                bytes.append(low).append(high);
            else
                bytes.append(high).append(low);
        }
        return bytes;
    }
    }
    return {};
}

Document parse(const QByteArray &bytes)
{
    Document doc;
    if (bytes.startsWith("\xFF\xFE")) {
        doc.encoding = Encoding::Utf16LE;
        doc.mark = bytes.left(2);
    } else if (bytes.startsWith("\xFE\xFF")) {
        doc.encoding = Encoding::Utf16BE;
        doc.mark = bytes.left(2);
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        doc.encoding = Encoding::Utf8;
        doc.mark = bytes.left(3);
    }

    const QByteArray body = bytes.mid(doc.mark.size());
    const qsizetype unit = unitSize(doc.encoding);
    qsizetype lineStart = 0;
    for (qsizetype pos = 0; pos + unit <= body.size(); pos += unit) {
        if (unitAt(body, pos, doc.encoding) != u'\n')
            continue;
        qsizetype contentEnd = pos;
        if (contentEnd - lineStart >= unit && unitAt(body, contentEnd - unit, doc.encoding) == u'\r')
            contentEnd -= unit;
        Line line;
        line.raw = body.mid(lineStart, pos + unit - lineStart);
        line.text = decode(body.mid(lineStart, contentEnd - lineStart), doc.encoding);
        line.terminated = true;
        doc.lines.append(line);
        lineStart = pos + unit;
    }
    if (lineStart < body.size()) {
        // A last line may end in a carriage return alone; it is no part of the text.
        Line line;
        line.raw = body.mid(lineStart);
        qsizetype contentEnd = body.size() - (body.size() - lineStart) % unit;
        if (contentEnd - lineStart >= unit && unitAt(body, contentEnd - unit, doc.encoding) == u'\r')
            contentEnd -= unit;
        line.text = decode(body.mid(lineStart, contentEnd - lineStart), doc.encoding);
        doc.lines.append(line);
    }
    return doc;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

enum class Kind { Other, Comment, Section, Key };

struct Entry {
    Kind kind = Kind::Other;
    QStringView name;
    QStringView value;
};

Entry classify(const QString &text)
{
    Entry entry;
    const QStringView line = trimmed(text);
    if (line.startsWith(u';')) {
        entry.kind = Kind::Comment;
    } else if (line.startsWith(u'[') && line.lastIndexOf(u']') > 0) {
        entry.kind = Kind::Section;
        entry.name = trimmed(line.mid(1, line.lastIndexOf(u']') - 1));
    } else if (const qsizetype equals = line.indexOf(u'='); equals >= 0) {
        entry.kind = Kind::Key;
        entry.name = trimmed(line.left(equals));
        entry.value = trimmed(line.mid(equals + 1));
    }
    return entry;
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The first section line of that name, or -1.
qsizetype findSection(const Document &doc, const QString &section)
{
    for (qsizetype i = 0; i < doc.lines.size(); ++i) {
        const Entry entry = classify(doc.lines.at(i).text);
        if (entry.kind == Kind::Section && sameName(entry.name, section))
            return i;
    }
    return -1;
}

// One past the section's last line: the next section line or the end of the file.
qsizetype sectionEnd(const Document &doc, qsizetype sectionLine)
{
    qsizetype i = sectionLine + 1;
    while (i < doc.lines.size() && classify(doc.lines.at(i).text).kind != Kind::Section)
        ++i;
    return i;
}

QString valueForReading(QStringView value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    if (value.size() > maxValueLength) {
        qsizetype cut = maxValueLength;
        if (value.at(cut - 1).isHighSurrogate())
            --cut;
        value = value.left(cut);
    }
    return value.toString();
}

Line makeLine(const QString &text, Encoding encoding)
{
    Line line;
    line.text = text;
    line.raw = encode(text, encoding) + encode(QStringLiteral("\r\n"), encoding);
    line.terminated = true;
    return line;
}

void terminate(Line &line, Encoding encoding)
{
    if (line.terminated)
        return;
    // A UTF-16 file of odd length ends in half a character, which no reading
    // sees; lines added after it would be read out of step, so it goes.
    if (line.raw.size() % unitSize(encoding) != 0)
        line.raw.chop(line.raw.size() % unitSize(encoding));
    const QByteArray cr = encode(QStringLiteral("\r"), encoding);
    line.raw += encode(line.raw.endsWith(cr) ? QStringLiteral("\n") : QStringLiteral("\r\n"), encoding);
    line.terminated = true;
}

void requireName(const QString &name, bool isKey)
{
    bool valid = !name.isEmpty() && !isBlank(name.front()) && !isBlank(name.back())
                 && !name.contains(u'\r') && !name.contains(u'\n');
    if (isKey)
        valid = valid && !name.contains(u'=') && !name.startsWith(u';') && !name.startsWith(u'[');
    if (!valid)
        throw std::invalid_argument(isKey ? "invalid profile key name" : "invalid profile section name");
}

} // namespace

ProfileFile::ProfileFile(const QString &fileName) : m_fileName(fileName) {}

QString ProfileFile::fileName() const
{
    return m_fileName;
}

QString ProfileFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue;
    const Document doc = parse(file.readAll());

    const qsizetype start = findSection(doc, section);
    if (start < 0)
        return defaultValue;
    const qsizetype end = sectionEnd(doc, start);
    for (qsizetype i = start + 1; i < end; ++i) {
        const Entry entry = classify(doc.lines.at(i).text);
        if (entry.kind == Kind::Key && sameName(entry.name, key))
            return valueForReading(entry.value);
    }
    return defaultValue;
}

void ProfileFile::writeString(const QString &section, const QString &key, const QString &value)
{
    requireName(section, false);
    requireName(key, true);

    const QString fullName = QFileInfo(m_fileName).absoluteFilePath();
    const SettingsError cannotWrite(QStringLiteral("Unable to write to ") + fullName);

    Document doc;
    if (QFileInfo::exists(fullName)) {
        QFile file(fullName);
        if (!file.open(QIODevice::ReadOnly))
            throw cannotWrite;
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw cannotWrite;
        doc = parse(bytes);
    }

    QString written = value;
    written.replace(u'\r', u' ').replace(u'\n', u' ');

    const qsizetype start = findSection(doc, section);
    if (start < 0) {
        if (!doc.lines.isEmpty())
            terminate(doc.lines.last(), doc.encoding);
        doc.lines.append(makeLine(u'[' + section + u']', doc.encoding));
        doc.lines.append(makeLine(key + u'=' + written, doc.encoding));
    } else {
        const qsizetype end = sectionEnd(doc, start);
        qsizetype lastKeyLine = start;
        bool replaced = false;
        for (qsizetype i = start + 1; i < end && !replaced; ++i) {
            const Entry entry = classify(doc.lines.at(i).text);
            if (entry.kind != Kind::Key)
                continue;
            lastKeyLine = i;
            if (sameName(entry.name, key)) {
                const QString spelling = entry.name.toString();
                doc.lines[i] = makeLine(spelling + u'=' + written, doc.encoding);
                replaced = true;
            }
        }
        if (!replaced) {
            terminate(doc.lines[lastKeyLine], doc.encoding);
            doc.lines.insert(lastKeyLine + 1, makeLine(key + u'=' + written, doc.encoding));
        }
    }

    QByteArray bytes = doc.mark;
    for (const Line &line : std::as_const(doc.lines))
        bytes += line.raw;
    if (!replaceFileContents(fullName, bytes))
        throw cannotWrite;
}

} // namespace trajetix
