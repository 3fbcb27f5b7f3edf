#pragma once

// Runs trajetix-batch as a separate process and collects what it leaves behind.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

struct CommandResult {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;
    QString errText() const { return QString::fromUtf8(err); }
};

inline CommandResult runCommand(const QString &program, const QStringList &arguments, int timeoutMs = 60000)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start();
    CommandResult result;
    if (!process.waitForStarted(timeoutMs) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.crashed = true;
        return result;
    }
    result.crashed = process.exitStatus() != QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
