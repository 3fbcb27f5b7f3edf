#include "batch/BatchRun.h"

#include "batch/AddressReader.h"
#include "batch/ResultWriter.h"

namespace trajetix {

namespace {

using Bar = RunProgress::Bar;

const QString Ok = QStringLiteral("OK");

// Blank: nothing left once spaces and control characters are cut from both ends.
bool isBlank(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > u' ')
            return false;
    }
    return true;
}

QString rowOf(const QString &a, const QString &b, const QString &c, const QString &d)
{
    return a + u';' + b + u';' + c + u';' + d;
}

} // namespace

QString travelModeWord(int modeIndex)
{
    switch (modeIndex) {
    case 0:
        return QStringLiteral("driving");
    case 1:
        return QStringLiteral("walking");
    default:
        return QStringLiteral("bicycling");
    }
}

BatchRun::BatchRun(RouteService &service, MessageSink &messages, RunProgress &progress,
                   const MessageSlots &texts)
    : m_service(service), m_messages(messages), m_progress(progress), m_texts(texts)
{
}

BatchRun::LineResult BatchRun::processLine(const QString &line, const BatchInput &input, QString &row)
{
    m_progress.setPosition(Bar::Current, 1);
    const QString mode = travelModeWord(input.modeIndex);
    const QString key = input.key;
    const AddressPair pair = splitAddressLine(line);
    m_service.setKey(key);
    m_service.setMode(mode);
    m_service.setPair(pair.origin, pair.destination);

    if (!m_service.send()) {
        // No answer for this line: an answer held from an earlier line must not
        // stand in for it, so the line is written as refused by the service.
        m_messages.showMessage(MessageKind::Error, m_texts.msgdlgbtnProcessarErro2);
        m_progress.setPosition(Bar::Current, 2);
        const QString text = m_texts.msgdlgbtnProcessarErroArq2;
        row = rowOf(pair.origin, pair.destination, text, text);
        return LineResult::Row;
    }

    QString status;
    if (!m_service.readStatus(status))
        return LineResult::Unreadable;
    m_progress.setPosition(Bar::Current, 2);
    if (status != Ok) {
        const QString text = m_texts.msgdlgbtnProcessarErroArq2;
        row = rowOf(pair.origin, pair.destination, text, text);
        return LineResult::Row;
    }

    QString origin;
    QString destination;
    QString elementStatus;
    if (!m_service.readAddressesAndElement(origin, destination, elementStatus))
        return LineResult::Unreadable;
    if (elementStatus != Ok) {
        const QString text = m_texts.msgdlgbtnProcessarErroArg1;
        row = rowOf(pair.origin, pair.destination, text, text);
        return LineResult::Row;
    }

    QString distance;
    QString duration;
    if (!m_service.readDistanceAndDuration(distance, duration))
        return LineResult::Unreadable;
    row = rowOf(origin, destination, distance, duration);
    return LineResult::Row;
}

BatchOutcome BatchRun::run(const BatchInput &input)
{
    // Key first: with both blank only the key warning appears.
    if (isBlank(input.key)) {
        m_messages.showMessage(MessageKind::Warning, m_texts.msglblKeyApi);
        return BatchOutcome::NotStarted;
    }
    if (isBlank(input.resultPath)) {
        m_messages.showMessage(MessageKind::Warning, m_texts.msgdlgbtnProcessar);
        return BatchOutcome::NotStarted;
    }

    AddressReader addresses;
    ResultWriter results;
    const auto openFailed = [&] {
        m_messages.showMessage(MessageKind::Error, m_texts.msgdlgbtnProcessarErro1);
        m_progress.setPosition(Bar::General, 0);
        m_progress.setPosition(Bar::Current, 0);
        addresses.close();
        return BatchOutcome::OpenFailed;
    };
    // The address file first: when it fails the result file is not touched.
    if (!addresses.open(input.addressPath))
        return openFailed();
    if (results.open(input.resultPath, addresses.identity()) != ResultWriter::OpenResult::Opened)
        return openFailed();
    // Unicode text would lose characters in Windows-1252, so it stays Unicode.
    results.setUnicode(addresses.hasByteOrderMark());

    BatchOutcome outcome = BatchOutcome::Aborted;
    if (m_progress.setMaximum(Bar::General, input.lineCount) && m_progress.setMaximum(Bar::Current, 3)) {
        int lineNumber = 1;
        for (;;) {
            if (m_stop && m_stop->load()) {
                outcome = BatchOutcome::Stopped;
                break;
            }
            QString line;
            const AddressReader::Status status = addresses.readLine(line);
            if (status == AddressReader::Status::Error)
                break;
            if (status == AddressReader::Status::End) {
                // Every row is on disk before success is announced.
                if (results.finish())
                    outcome = BatchOutcome::Completed;
                break;
            }
            QString row;
            if (processLine(line, input, row) != LineResult::Row || !results.writeRow(row))
                break;
            m_progress.setPosition(Bar::Current, 3);
            ++lineNumber;
            m_progress.setPosition(Bar::General, lineNumber);
        }
    }

    if (outcome == BatchOutcome::Completed)
        m_messages.showMessage(MessageKind::Information, m_texts.msgdlgbtnProcessarSucesso);
    else if (outcome == BatchOutcome::Aborted)
        m_messages.showMessage(MessageKind::Error, m_texts.msgdlgbtnProcessarErroArg3);

    m_progress.setPosition(Bar::General, 0);
    m_progress.setPosition(Bar::Current, 0);
    addresses.close();
    const bool alreadyFailed = results.hasFailed();
    if (!results.close() && !alreadyFailed) {
        // The rows did not all reach the file although the run got to its end.
        m_messages.showMessage(MessageKind::Error,
                               resultFileErrorText(input.resultPath, results.errorNumber()));
        outcome = BatchOutcome::Aborted;
    }
    return outcome;
}

QString BatchRun::resultFileErrorText(const QString &resultPath, int errorNumber)
{
    return QStringLiteral("The result file could not be written completely: ") + resultPath +
           QStringLiteral(" (") + posixfile::systemErrorText(errorNumber) + u')';
}

} // namespace trajetix
