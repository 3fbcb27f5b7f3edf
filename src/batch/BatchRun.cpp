#include "batch/BatchRun.h"

#include "batch/AddressReader.h"
#include "batch/ResultWriter.h"

#include <memory>
#include <optional>

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

void BatchRun::setJobs(int jobs, RouteServiceFactory factory)
{
    m_jobs = qMax(1, jobs);
    m_factory = std::move(factory);
}

BatchRun::LineResult BatchRun::rowOfAnswer(const LineAnswer &answer, QString &row)
{
    using Kind = LineAnswer::Kind;
    const AddressPair &pair = answer.pair;
    switch (answer.kind) {
    case Kind::RequestFailed: {
        // No answer for this line: it is written as refused by the service.
        m_messages.showMessage(MessageKind::Error, m_texts.msgdlgbtnProcessarErro2);
        m_progress.setPosition(Bar::Current, 2);
        const QString text = m_texts.msgdlgbtnProcessarErroArq2;
        row = rowOf(pair.origin, pair.destination, text, text);
        return LineResult::Row;
    }
    case Kind::Unreadable:
        if (answer.statusRead)
            m_progress.setPosition(Bar::Current, 2);
        return LineResult::Unreadable;
    case Kind::Refused: {
        m_progress.setPosition(Bar::Current, 2);
        const QString text = m_texts.msgdlgbtnProcessarErroArq2;
        row = rowOf(pair.origin, pair.destination, text, text);
        return LineResult::Row;
    }
    case Kind::NotFound: {
        m_progress.setPosition(Bar::Current, 2);
        const QString text = m_texts.msgdlgbtnProcessarErroArg1;
        row = rowOf(pair.origin, pair.destination, text, text);
        return LineResult::Row;
    }
    case Kind::Found:
        m_progress.setPosition(Bar::Current, 2);
        row = rowOf(answer.origin, answer.destination, answer.distance, answer.duration);
        return LineResult::Row;
    }
    return LineResult::Unreadable;
}

bool BatchRun::finishLine(const LineAnswer &answer, ResultWriter &results, int &lineNumber)
{
    if (m_observer)
        m_observer->lineAnswered(answer);
    QString row;
    if (rowOfAnswer(answer, row) != LineResult::Row || !results.writeRow(row))
        return false;
    m_progress.setPosition(Bar::Current, 3);
    ++lineNumber;
    m_progress.setPosition(Bar::General, lineNumber);
    return true;
}

BatchOutcome BatchRun::runLines(const BatchInput &input, AddressReader &addresses, ResultWriter &results)
{
    int lineNumber = 1;
    for (;;) {
        if (m_stop && m_stop->load())
            return BatchOutcome::Stopped;
        QString line;
        const AddressReader::Status status = addresses.readLine(line);
        if (status == AddressReader::Status::Error)
            return BatchOutcome::Aborted;
        if (status == AddressReader::Status::End)
            // Every row is on disk before success is announced.
            return results.finish() ? BatchOutcome::Completed : BatchOutcome::Aborted;
        if (lineNumber == 1 && m_observer)
            m_observer->beforeFirstRequest();
        m_progress.setPosition(Bar::Current, 1);
        const LineAnswer answer = askRoute(m_service, input.key, travelModeWord(input.modeIndex), line);
        if (!finishLine(answer, results, lineNumber))
            return BatchOutcome::Aborted;
    }
}

BatchOutcome BatchRun::runLinesAhead(LookAheadAsker &asker, AddressReader &addresses, ResultWriter &results)
{
    // The file is read ahead of the rows by at most the asker's capacity; what ends the
    // input (its end, a read error or a stop) takes effect when its place is reached, so
    // every line before it is written exactly as one line at a time would write it.
    std::optional<BatchOutcome> inputEnd;
    bool asked = false;
    int lineNumber = 1;
    for (;;) {
        while (!inputEnd && asker.pending() < asker.capacity()) {
            if (m_stop && m_stop->load()) {
                // The lines already in work are finished and written; those waiting are not.
                asker.dropWaiting();
                inputEnd = BatchOutcome::Stopped;
                break;
            }
            QString line;
            const AddressReader::Status status = addresses.readLine(line);
            if (status == AddressReader::Status::Line) {
                if (!asked && m_observer)
                    m_observer->beforeFirstRequest();
                asked = true;
                asker.submit(std::move(line));
            } else {
                inputEnd =
                    status == AddressReader::Status::End ? BatchOutcome::Completed : BatchOutcome::Aborted;
            }
        }
        if (asker.pending() == 0) {
            if (inputEnd == BatchOutcome::Completed)
                return results.finish() ? BatchOutcome::Completed : BatchOutcome::Aborted;
            return *inputEnd;
        }
        if (!inputEnd && m_stop && m_stop->load()) {
            asker.dropWaiting();
            inputEnd = BatchOutcome::Stopped;
            continue;
        }
        const LineAnswer answer = asker.take();
        m_progress.setPosition(Bar::Current, 1);
        if (!finishLine(answer, results, lineNumber)) {
            // The lines asked ahead are not written; those not yet started are not asked.
            asker.dropWaiting();
            return BatchOutcome::Aborted;
        }
    }
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

    // Made before the lines are asked and ended only once the run is over, so that the
    // closing message does not wait for requests asked ahead whose rows are not wanted.
    std::unique_ptr<LookAheadAsker> asker;
    BatchOutcome outcome = BatchOutcome::Aborted;
    if (m_progress.setMaximum(Bar::General, input.lineCount) && m_progress.setMaximum(Bar::Current, 3)) {
        if (m_jobs > 1 && m_factory)
            asker = std::make_unique<LookAheadAsker>(m_jobs, m_factory, input.key,
                                                     travelModeWord(input.modeIndex));
        // A factory that made no service leaves the constructor's.
        if (asker && asker->jobs() > 0) {
            outcome = runLinesAhead(*asker, addresses, results);
        } else {
            outcome = runLines(input, addresses, results);
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
