#include "batch/BatchRun.h"

#include "batch/AddressReader.h"
#include "batch/RefusedRows.h"
#include "batch/ResultFile.h"
#include "batch/ResultWriter.h"

#include <QHash>
#include <QSet>

#include <deque>
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
    case Kind::Interrupted: // no row: the run stops before it
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

// Asks the route service about the lines the run hands it, and gives the answers back in
// the same order.
class LineAsker {
  public:
    virtual ~LineAsker() = default;
    virtual qint64 capacity() const = 0;
    virtual qint64 pending() const = 0;
    virtual void submit(QString line) = 0;
    virtual LineAnswer take() = 0;
    // Forgets the lines no request has started for; returns how many are still in work.
    virtual qint64 dropWaiting() = 0;
};

namespace {

// One line at a time on the run's own thread: a line is asked when its answer is taken.
class SerialAsker : public LineAsker {
  public:
    SerialAsker(RouteService &service, const QString &key, const QString &mode)
        : m_service(service), m_key(key), m_mode(mode)
    {
    }
    qint64 capacity() const override { return 1; }
    qint64 pending() const override { return qint64(m_lines.size()); }
    void submit(QString line) override { m_lines.push_back(std::move(line)); }
    LineAnswer take() override
    {
        const QString line = std::move(m_lines.front());
        m_lines.pop_front();
        return askRoute(m_service, m_key, m_mode, line);
    }
    qint64 dropWaiting() override
    {
        m_lines.clear();
        return 0;
    }

  private:
    RouteService &m_service;
    const QString m_key;
    const QString m_mode;
    std::deque<QString> m_lines;
};

class AheadAsker : public LineAsker {
  public:
    AheadAsker(int jobs, const RouteServiceFactory &factory, const QString &key, const QString &mode)
        : m_asker(jobs, factory, key, mode)
    {
    }
    int jobs() const { return m_asker.jobs(); }
    qint64 capacity() const override { return m_asker.capacity(); }
    qint64 pending() const override { return m_asker.pending(); }
    void submit(QString line) override { m_asker.submit(std::move(line)); }
    LineAnswer take() override { return m_asker.take(); }
    qint64 dropWaiting() override { return m_asker.dropWaiting(); }

  private:
    LookAheadAsker m_asker;
};

// Rows of an old file kept as they are, read ahead of the lines asked at most this far.
constexpr size_t MaxKeptAhead = 4096;

bool canBeHandedOn(const LineAnswer &answer)
{
    return answer.kind == LineAnswer::Kind::Found || answer.kind == LineAnswer::Kind::NotFound;
}

} // namespace

// A line read from the address file whose row is not written yet.
struct LineEntry {
    enum class Kind {
        Ask,  // submitted to the asker
        Keep, // its old row stays (a run that asks again only refused rows)
        Copy, // an identical line was asked before it: its answer is handed on
    };
    Kind kind = Kind::Ask;
    QString line;
    QByteArray oldRow;       // the row of the old file, when there is one
    quint32 laterCopies = 0; // identical lines still to come after it
};

struct BatchRun::Lines {
    Lines(AddressReader &a, ResultWriter &r) : addresses(a), results(r) {}
    AddressReader &addresses;
    ResultWriter &results;
    ResultRowReader *oldRows = nullptr; // only refused rows are asked again
    std::optional<RefusedRowMatcher> refused;
    DuplicateLines *duplicates = nullptr; // identical lines asked once
    int lineNumber = 1;
    int rowsSinceFlush = 0;
    std::deque<LineEntry> entries; // read, in input order, rows not yet written
    // Identical lines: answers kept for the copies still to come, and lines whose answer
    // is awaited for them.
    QHash<QString, LineAnswer> answers;
    QSet<QString> awaited;
};

bool BatchRun::finishLine(const LineAnswer &answer, Lines &lines)
{
    if (m_observer)
        m_observer->lineAnswered(answer);
    QString row;
    if (rowOfAnswer(answer, row) != LineResult::Row || !lines.results.writeRow(row))
        return false;
    ++m_counts.lines;
    switch (answer.kind) {
    case LineAnswer::Kind::Found:
        ++m_counts.found;
        break;
    case LineAnswer::Kind::NotFound:
        ++m_counts.notFound;
        break;
    case LineAnswer::Kind::RequestFailed:
        ++m_counts.failedRequests;
        ++m_counts.refused;
        break;
    default:
        ++m_counts.refused;
        break;
    }
    if (m_options.durable && ++lines.rowsSinceFlush >= m_jobs) {
        // The end of a window of `jobs` lines: its rows go to the system at once.
        lines.rowsSinceFlush = 0;
        if (!lines.results.flush())
            return false;
    }
    m_progress.setPosition(Bar::Current, 3);
    ++lines.lineNumber;
    m_progress.setPosition(Bar::General, lines.lineNumber);
    return true;
}

bool BatchRun::writeKeptRow(const QByteArray &row, Lines &lines)
{
    if (!lines.results.writeEncodedRow(row))
        return false;
    ++lines.lineNumber;
    m_progress.setPosition(Bar::General, lines.lineNumber);
    return true;
}

BatchOutcome BatchRun::runLines(const BatchInput &input, LineAsker &asker, Lines &lines)
{
    // The file is read ahead of the rows by at most the asker's capacity; what ends the
    // input (its end, a read error or a stop) takes effect when its place is reached, so
    // every line before it is written exactly as one line at a time would write it.
    const QString mode = travelModeWord(input.modeIndex);
    const auto stopRequested = [this] { return m_stop && m_stop->load(); };
    bool asked = false;

    std::optional<BatchOutcome> inputEnd;
    qint64 inWork = -1; // after a stop: the lines asked that are still to be taken
    for (;;) {
        while (!inputEnd && asker.pending() < asker.capacity() && lines.entries.size() < MaxKeptAhead) {
            if (stopRequested()) {
                inputEnd = BatchOutcome::Stopped;
                break;
            }
            LineEntry entry;
            const AddressReader::Status status = lines.addresses.readLine(entry.line);
            if (status != AddressReader::Status::Line) {
                inputEnd =
                    status == AddressReader::Status::End ? BatchOutcome::Completed : BatchOutcome::Aborted;
                break;
            }
            if (lines.oldRows) {
                // The old file was checked to have a row for every line before the run.
                if (lines.oldRows->readRow(entry.oldRow) != ResultRowReader::Status::Row) {
                    inputEnd = BatchOutcome::Aborted;
                    break;
                }
                if (!lines.refused->isRefused(entry.oldRow, entry.line)) {
                    entry.kind = LineEntry::Kind::Keep;
                    lines.entries.push_back(std::move(entry));
                    continue;
                }
            }
            if (lines.duplicates) {
                entry.laterCopies = lines.duplicates->use(entry.line);
                if (lines.answers.contains(entry.line) || lines.awaited.contains(entry.line)) {
                    entry.kind = LineEntry::Kind::Copy;
                    lines.entries.push_back(std::move(entry));
                    continue;
                }
                if (entry.laterCopies > 0)
                    lines.awaited.insert(entry.line);
            }
            if (!asked && m_observer)
                m_observer->beforeFirstRequest();
            asked = true;
            asker.submit(entry.line);
            lines.entries.push_back(std::move(entry));
        }
        if (inputEnd == BatchOutcome::Stopped && inWork < 0)
            // The lines already in work are finished and written; those waiting are not.
            inWork = asker.dropWaiting();
        if (lines.entries.empty())
            return *inputEnd;
        if (!inputEnd && stopRequested()) {
            inputEnd = BatchOutcome::Stopped;
            continue;
        }

        LineEntry &entry = lines.entries.front();
        LineAnswer answer;
        switch (entry.kind) {
        case LineEntry::Kind::Keep:
            if (!writeKeptRow(entry.oldRow, lines))
                return BatchOutcome::Aborted;
            lines.entries.pop_front();
            continue;
        case LineEntry::Kind::Ask:
            if (inWork == 0)
                return BatchOutcome::Stopped; // dropped before its request started
            if (inWork > 0)
                --inWork;
            m_progress.setPosition(Bar::Current, 1);
            answer = asker.take();
            lines.awaited.remove(entry.line);
            break;
        case LineEntry::Kind::Copy: {
            const auto kept = lines.answers.constFind(entry.line);
            if (kept != lines.answers.cend()) {
                m_progress.setPosition(Bar::Current, 1);
                answer = *kept;
                answer.attempts = 0;
                ++m_counts.savedRequests;
                break;
            }
            // The identical line before it got no answer worth handing on: it is asked
            // itself, unless the run is stopping.
            if (inputEnd == BatchOutcome::Stopped)
                return BatchOutcome::Stopped;
            m_progress.setPosition(Bar::Current, 1);
            answer = askRoute(m_service, input.key, mode, entry.line);
            break;
        }
        }
        m_counts.requests += answer.attempts;
        m_counts.retries += qMax(0, answer.attempts - 1);
        if (answer.kind == LineAnswer::Kind::Interrupted)
            // The stop came while a retry was awaited: the line has no row, and a resumed
            // run asks it again.
            return BatchOutcome::Stopped;
        if (lines.duplicates) {
            if (entry.laterCopies == 0)
                lines.answers.remove(entry.line);
            else if (canBeHandedOn(answer))
                lines.answers.insert(entry.line, answer);
        }
        if (!finishLine(answer, lines)) {
            // The lines asked ahead are not written; those not yet started are not asked.
            asker.dropWaiting();
            return BatchOutcome::Aborted;
        }
        lines.entries.pop_front();
    }
}

bool BatchRun::copyRemainingRows(Lines &lines)
{
    for (const LineEntry &entry : lines.entries) {
        if (!writeKeptRow(entry.oldRow, lines))
            return false;
    }
    lines.entries.clear();
    QByteArray row;
    for (;;) {
        switch (lines.oldRows->readRow(row)) {
        case ResultRowReader::Status::Row:
            if (!writeKeptRow(row, lines))
                return false;
            break;
        case ResultRowReader::Status::End:
            return true;
        case ResultRowReader::Status::Incomplete:
        case ResultRowReader::Status::Error:
            return false;
        }
    }
}

BatchOutcome BatchRun::run(const BatchInput &input)
{
    m_counts = RunCounts();
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
    ResultRowReader oldRows;
    const auto openFailed = [&] {
        m_messages.showMessage(MessageKind::Error, m_texts.msgdlgbtnProcessarErro1);
        m_progress.setPosition(Bar::General, 0);
        m_progress.setPosition(Bar::Current, 0);
        addresses.close();
        return BatchOutcome::OpenFailed;
    };

    // A resumed or retried run, or one that asks identical lines once, reads the files once
    // beforehand: what does not fit is refused before anything is sent or touched.
    const ResultMode resultMode = input.resultMode;
    RunPlan plan;
    if (resultMode != ResultMode::Replace || m_options.dedupe) {
        int error = 0;
        if (!makeRunPlan(input.addressPath, input.resultPath, resultMode, m_options.dedupe, plan, error))
            return openFailed();
        if (!plan.problem.isEmpty()) {
            m_messages.showMessage(MessageKind::Error, plan.problem);
            return BatchOutcome::Refused;
        }
    }

    // The address file first: when it fails the result file is not touched.
    if (!addresses.open(input.addressPath))
        return openFailed();
    ResultWriter::OpenResult opened = ResultWriter::OpenResult::Failed;
    switch (resultMode) {
    case ResultMode::Replace:
        opened = results.open(input.resultPath, addresses.identity());
        break;
    case ResultMode::Resume:
        opened = results.openToAppend(input.resultPath, addresses.identity(),
                                      plan.keptRows > 0 ? plan.result.completeBytes : 0);
        break;
    case ResultMode::RetryRefused:
        opened = oldRows.open(input.resultPath)
                     ? results.openReplacement(input.resultPath, addresses.identity())
                     : ResultWriter::OpenResult::Failed;
        break;
    }
    if (opened != ResultWriter::OpenResult::Opened)
        return openFailed();
    // Unicode text would lose characters in Windows-1252, so it stays Unicode.
    results.setUnicode(addresses.hasByteOrderMark());
    results.setDurable(m_options.durable);

    Lines lines(addresses, results);
    if (resultMode == ResultMode::RetryRefused) {
        lines.oldRows = &oldRows;
        lines.refused.emplace(addresses.hasByteOrderMark());
    }
    if (m_options.dedupe)
        lines.duplicates = &plan.duplicates;

    // Made before the lines are asked and ended only once the run is over, so that the
    // closing message does not wait for requests asked ahead whose rows are not wanted.
    std::unique_ptr<LineAsker> asker;
    BatchOutcome outcome = BatchOutcome::Aborted;
    if (m_progress.setMaximum(Bar::General, input.lineCount) && m_progress.setMaximum(Bar::Current, 3)) {
        // The lines whose rows a resumed run keeps are read past, not asked.
        bool skipped = true;
        QString line;
        for (qint64 i = 0; i < plan.keptRows && resultMode == ResultMode::Resume && skipped; ++i)
            skipped = addresses.readLine(line) == AddressReader::Status::Line;
        if (skipped) {
            if (resultMode == ResultMode::Resume) {
                lines.lineNumber = int(plan.keptRows) + 1;
                m_progress.setPosition(Bar::General, lines.lineNumber);
            }
            if (m_jobs > 1 && m_factory) {
                auto ahead = std::make_unique<AheadAsker>(m_jobs, m_factory, input.key,
                                                          travelModeWord(input.modeIndex));
                // A factory that made no service leaves the constructor's.
                if (ahead->jobs() > 0)
                    asker = std::move(ahead);
            }
            if (!asker)
                asker = std::make_unique<SerialAsker>(m_service, input.key, travelModeWord(input.modeIndex));
            outcome = runLines(input, *asker, lines);
        }
    }

    if (resultMode == ResultMode::RetryRefused) {
        // The new file replaces the old one only whole: after its last line, or after a stop
        // with the rows not asked again copied as they were.
        if (outcome == BatchOutcome::Stopped && !copyRemainingRows(lines))
            outcome = BatchOutcome::Aborted;
        if (outcome != BatchOutcome::Aborted && !results.commit())
            outcome = BatchOutcome::Aborted;
    } else if (outcome == BatchOutcome::Completed && !results.finish()) {
        // Every row is on disk before success is announced.
        outcome = BatchOutcome::Aborted;
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
