#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <stdexcept>
#include <vector>

// Shared pieces of the fuzz checks. A check takes one input of arbitrary bytes,
// drives one parser with it and tests properties that must hold for every input;
// a property that fails throws CheckFailure. The same checks run under libFuzzer
// (fuzz/entry.cpp) and, over the committed corpora and crash inputs, in the normal
// test suite (fuzz/test_fuzz_replay.cpp).
namespace trajetix::fuzz {

class CheckFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const char *file, int line, const QString &what);

#define FUZZ_CHECK(condition, what)                                                                          \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::trajetix::fuzz::fail(__FILE__, __LINE__, QStringLiteral(#condition) + u": " + (what));         \
    } while (false)

// Takes the input apart: single bytes and length-prefixed pieces from the front,
// the rest at the end. Reading past the end yields zeros and empty pieces.
class Input {
  public:
    explicit Input(QByteArrayView data) : m_data(data) {}

    quint8 byte();
    quint16 word();
    // A piece of at most `maxLength` bytes, its length taken from the input.
    QByteArray piece(qsizetype maxLength);
    QByteArray rest();
    bool atEnd() const { return m_pos >= m_data.size(); }

  private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

// Text from bytes in one of several ways, chosen by `how`: UTF-8 (invalid
// sequences replaced), Latin-1, or raw UTF-16 units (unpaired surrogates included).
QString textFromBytes(QByteArrayView bytes, quint8 how);

// Escaped form of a text or bytes for failure messages.
QString show(const QString &text);
QString showBytes(QByteArrayView bytes);

// A file path in a folder of this process's own, for checks that need a real file.
QString scratchPath(const QString &name);

using Check = void (*)(QByteArrayView input);

struct Target {
    const char *name;
    Check check;
};

const std::vector<Target> &targets();
Check findCheck(const char *name);

} // namespace trajetix::fuzz
