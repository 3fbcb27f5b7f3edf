// The address file reader and the line splitter against a reference model of the
// file's rules: the mark chooses the decoding, a line ends at LF, every CR is
// dropped, 0x1A ends the input, text after the last LF is a line unless it is
// nothing but CRs; invalid text after a mark is an error at the line holding it.
#include "FuzzSupport.h"
#include "TextFileModel.h"

#include "batch/AddressReader.h"

#include "i18n/CodePage.h"
#include <QList>
#include <QStringList>

namespace trajetix::fuzz {

namespace {

struct Expected {
    QStringList lines;
    bool error = false; // after the lines
};

Expected expectedLines(const QByteArray &file)
{
    Expected expected;
    int markLength = 0;
    const Mark mark = markOf(file, markLength);
    const QByteArray body = file.mid(markLength);

    const bool unicode16 = mark == Mark::Utf16LE || mark == Mark::Utf16BE;
    // Raw lines as units (UTF-16) or bytes, each still to be checked and decoded.
    QList<QByteArray> rawByteLines;
    QStringList rawUnitLines;
    bool cutByCtrlZ = false;
    if (unicode16) {
        QString units = utf16Units(body, mark == Mark::Utf16BE);
        const qsizetype z = units.indexOf(QChar(0x1A));
        cutByCtrlZ = z >= 0;
        if (cutByCtrlZ)
            units.truncate(z);
        rawUnitLines = units.split(u'\n');
    } else {
        QByteArray bytes = body;
        const qsizetype z = bytes.indexOf('\x1A');
        cutByCtrlZ = z >= 0;
        if (cutByCtrlZ)
            bytes.truncate(z);
        rawByteLines = bytes.split('\n');
    }
    const qsizetype count = unicode16 ? rawUnitLines.size() : rawByteLines.size();
    for (qsizetype i = 0; i < count; ++i) {
        const bool last = i + 1 == count;
        if (last && unicode16 && !cutByCtrlZ && body.size() % 2 != 0) {
            expected.error = true; // half a code unit at the end of the file
            return expected;
        }
        if (unicode16) {
            QString line = rawUnitLines.at(i);
            line.remove(u'\r');
            if (last && line.isEmpty())
                return expected;
            const QString original = rawUnitLines.at(i);
            for (qsizetype k = 0; k < original.size(); ++k) {
                const QChar c = original.at(k);
                if (c.isHighSurrogate() && k + 1 < original.size() && original.at(k + 1).isLowSurrogate()) {
                    ++k;
                } else if (c.isSurrogate()) {
                    expected.error = true;
                    return expected;
                }
            }
            expected.lines.append(line);
        } else {
            QByteArray bytes = rawByteLines.at(i);
            if (last && QByteArray(bytes).replace("\r", "").isEmpty())
                return expected;
            if (mark == Mark::Utf8) {
                const std::optional<QString> text = strictUtf8(bytes);
                if (!text) {
                    expected.error = true;
                    return expected;
                }
                expected.lines.append(QString(*text).remove(u'\r'));
            } else {
                expected.lines.append(codepage::decode(bytes.replace("\r", "")));
            }
        }
    }
    return expected;
}

} // namespace

void checkAddressLines(QByteArrayView data)
{
    Input input(data);
    const quint8 choice = input.byte();
    const quint16 shift = input.word();
    const QByteArray file = buildTextFile(input.rest(), choice, shift);
    const QString path = scratchPath(QStringLiteral("addresses.csv"));
    writeScratchFile(path, file);

    const Expected expected = expectedLines(file);
    AddressReader reader;
    FUZZ_CHECK(reader.open(path), QStringLiteral("cannot open the file"));
    QStringList lines;
    AddressReader::Status status;
    QString line;
    while ((status = reader.readLine(line)) == AddressReader::Status::Line) {
        lines.append(line);
        FUZZ_CHECK(lines.size() <= expected.lines.size() + 1, QStringLiteral("more lines than expected"));
    }
    const QString context = u" file " + showBytes(file.left(600));
    FUZZ_CHECK(lines == expected.lines,
               u"read " + QString::number(lines.size()) + u" lines, expected " +
                   QString::number(expected.lines.size()) + u", first difference at " + QString::number([&] {
                       qsizetype i = 0;
                       while (i < lines.size() && i < expected.lines.size() && lines[i] == expected.lines[i])
                           ++i;
                       return i;
                   }()) +
                   context);
    FUZZ_CHECK((status == AddressReader::Status::Error) == expected.error,
               QStringLiteral("ended with ") +
                   (status == AddressReader::Status::Error ? u"an error" : u"the end") + context);
    FUZZ_CHECK(reader.readLine(line) == AddressReader::Status::End,
               QStringLiteral("reading goes on after the end"));

    // Every line splits at its first ';' and joins back to itself.
    for (const QString &text : std::as_const(lines)) {
        const AddressPair pair = splitAddressLine(text);
        const qsizetype semicolon = text.indexOf(u';');
        if (semicolon < 0) {
            FUZZ_CHECK(pair.origin.isEmpty() && pair.destination == text,
                       u"split without ';': " + show(text));
        } else {
            FUZZ_CHECK(!pair.origin.contains(u';') && pair.origin + u';' + pair.destination == text,
                       u"split of " + show(text) + u" into " + show(pair.origin) + u" and " +
                           show(pair.destination));
        }
    }
}

} // namespace trajetix::fuzz
