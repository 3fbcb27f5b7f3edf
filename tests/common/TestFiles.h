#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Fixture files of the batch and command tests, compared byte for byte.
inline QByteArray readFile(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<missing>");
    return f.readAll();
}

inline void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write a fixture");
}
