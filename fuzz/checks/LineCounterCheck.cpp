// The line count of an address file against a reference model: the mark chooses
// the decoding, a line ends at CR, LF or CR LF (LF CR is two breaks), text after
// the last break is one more line; invalid UTF-8 after a UTF-8 mark fails.
#include "FuzzSupport.h"
#include "TextFileModel.h"

#include "batch/LineCounter.h"

namespace trajetix::fuzz {

namespace {

char16_t unit(const QByteArray &text, qsizetype i)
{
    return uchar(text.at(i));
}

char16_t unit(const QString &text, qsizetype i)
{
    return text.at(i).unicode();
}

template <typename Text> int countLines(const Text &text)
{
    int lines = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool textSinceBreak = false;
    while (i < n) {
        const auto c = unit(text, i);
        if (c == u'\r' || c == u'\n') {
            ++lines;
            textSinceBreak = false;
            i += (c == u'\r' && i + 1 < n && unit(text, i + 1) == u'\n') ? 2 : 1;
        } else {
            textSinceBreak = true;
            ++i;
        }
    }
    return lines + (textSinceBreak ? 1 : 0);
}

std::optional<int> expectedCount(const QByteArray &file)
{
    int markLength = 0;
    const Mark mark = markOf(file, markLength);
    const QByteArray body = file.mid(markLength);
    switch (mark) {
    case Mark::None:
        return countLines(body);
    case Mark::Utf8: {
        const std::optional<QString> text = strictUtf8(body);
        return text ? std::optional<int>(countLines(*text)) : std::nullopt;
    }
    case Mark::Utf16LE:
    case Mark::Utf16BE:
        return countLines(utf16Units(body, mark == Mark::Utf16BE));
    }
    return std::nullopt;
}

} // namespace

void checkLineCounter(QByteArrayView data)
{
    Input input(data);
    const quint8 choice = input.byte();
    const quint16 shift = input.word();
    const QByteArray file = buildTextFile(input.rest(), choice, shift);
    const QString path = scratchPath(QStringLiteral("count.csv"));
    writeScratchFile(path, file);

    const std::optional<int> expected = expectedCount(file);
    const std::optional<int> counted = countAddressLines(path);
    const auto text = [](const std::optional<int> &n) {
        return n ? QString::number(*n) : QStringLiteral("failure");
    };
    FUZZ_CHECK(counted == expected, u"counted " + text(counted) + u" expected " + text(expected) + u" file " +
                                        showBytes(file.left(600)));
}

} // namespace trajetix::fuzz
