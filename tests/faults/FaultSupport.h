#pragma once

// Shared pieces of the fault tables: a batch run with recorded messages and the
// rows the result file holds afterwards, read back from the disk.

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include "batch/BatchFakes.h"
#include "batch/BatchRun.h"
#include "batch/LineCounter.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"

namespace faults {

inline const trajetix::MessageSlots &texts()
{
    return trajetix::messageSlots(trajetix::English);
}

inline QString error(const QString &text)
{
    return QStringLiteral("Error: ") + text;
}

inline QString information(const QString &text)
{
    return QStringLiteral("Information: ") + text;
}

inline const QString &success()
{
    static const QString text = information(texts().msgdlgbtnProcessarSucesso);
    return text;
}
inline const QString &requestFailed()
{
    static const QString text = error(texts().msgdlgbtnProcessarErro2);
    return text;
}
inline const QString &runAborted()
{
    static const QString text = error(texts().msgdlgbtnProcessarErroArg3);
    return text;
}
inline const QString &cannotOpen()
{
    static const QString text = error(texts().msgdlgbtnProcessarErro1);
    return text;
}

// The row of a line whose request got no answer, or that the service refused.
inline QString refusedRow(const QString &origin, const QString &destination)
{
    const QString &text = texts().msgdlgbtnProcessarErroArq2;
    return origin + u';' + destination + u';' + text + u';' + text;
}

inline bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The rows of a result file as they are on the disk: Windows-1252 lines, each
// ended by CR LF. A file that does not end in CR LF shows its last piece as a row
// with "<unterminated>" in front, so a half-written row cannot pass for a whole one.
inline QStringList rowsOnDisk(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no file>")};
    const QByteArray bytes = file.readAll();
    QStringList rows;
    qsizetype start = 0;
    for (qsizetype end; (end = bytes.indexOf("\r\n", start)) >= 0; start = end + 2)
        rows << trajetix::codepage::decode(QByteArrayView(bytes).sliced(start, end - start));
    if (start < bytes.size())
        rows << QStringLiteral("<unterminated>") +
                    trajetix::codepage::decode(QByteArrayView(bytes).sliced(start));
    return rows;
}

// One batch run over `service` with the English texts, as the window starts it:
// the line count taken from the address file first.
struct Run {
    explicit Run(trajetix::RouteService &service) : service(service)
    {
        input.key = QStringLiteral("AIzaFAULT-test-key");
    }
    trajetix::BatchOutcome start()
    {
        input.lineCount = trajetix::countAddressLines(input.addressPath).value_or(0);
        trajetix::BatchRun run(service, sink, progress, texts());
        return run.run(input);
    }

    trajetix::RouteService &service;
    batchtest::RecordingSink sink;
    batchtest::RecordingProgress progress;
    trajetix::BatchInput input;
};

} // namespace faults
