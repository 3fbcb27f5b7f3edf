#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <cstring>

namespace trajetix::fuzz {

void fail(const char *file, int line, const QString &what)
{
    throw CheckFailure(
        QStringLiteral("%1:%2: %3").arg(QLatin1String(file)).arg(line).arg(what).toStdString());
}

quint8 Input::byte()
{
    return m_pos < m_data.size() ? quint8(m_data.at(m_pos++)) : 0;
}

quint16 Input::word()
{
    const quint16 high = byte();
    return quint16((high << 8) | byte());
}

QByteArray Input::piece(qsizetype maxLength)
{
    const qsizetype wanted = maxLength <= 255 ? byte() : word();
    const qsizetype length = std::min({wanted, maxLength, m_data.size() - m_pos});
    const QByteArray result = m_data.sliced(m_pos, length).toByteArray();
    m_pos += length;
    return result;
}

QByteArray Input::rest()
{
    const QByteArray result = m_data.sliced(m_pos).toByteArray();
    m_pos = m_data.size();
    return result;
}

QString textFromBytes(QByteArrayView bytes, quint8 how)
{
    switch (how % 3) {
    case 0:
        return QString::fromUtf8(bytes);
    case 1:
        return QString::fromLatin1(bytes);
    default: {
        QString text;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
            text.append(QChar(char16_t(uchar(bytes.at(i)) | (uchar(bytes.at(i + 1)) << 8))));
        return text;
    }
    }
}

QString show(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F && c != u'\\')
            out.append(c);
        else
            out.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    return u'"' + out + u'"';
}

QString showBytes(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' '));
}

namespace {

// Removed when the process ends normally.
struct ScratchFolder {
    ScratchFolder()
        : path(QDir::tempPath() + QStringLiteral("/trajetix-fuzz-") +
               QString::number(QCoreApplication::applicationPid()))
    {
        QDir().mkpath(path);
    }
    ~ScratchFolder() { QDir(path).removeRecursively(); }
    QString path;
};

} // namespace

QString scratchPath(const QString &name)
{
    static const ScratchFolder folder;
    return folder.path + u'/' + name;
}

Check findCheck(const char *name)
{
    for (const Target &target : targets()) {
        if (std::strcmp(target.name, name) == 0)
            return target.check;
    }
    return nullptr;
}

} // namespace trajetix::fuzz
