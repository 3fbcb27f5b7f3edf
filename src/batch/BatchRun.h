#pragma once

#include <QString>

#include <atomic>

#include "batch/LineAnswer.h"
#include "batch/LookAheadAsker.h"
#include "batch/RouteService.h"
#include "batch/RunPlan.h"
#include "batch/RunProgress.h"
#include "batch/RunReport.h"
#include "i18n/Messages.h"
#include "i18n/Texts.h"

namespace trajetix {

class ResultWriter;
class LineAsker;

// What a run takes from the window (or the command line) when it starts.
struct BatchInput {
    QString key;         // the key box's text, untrimmed
    QString resultPath;  // full name of the result file
    QString addressPath; // full name of the address file
    int modeIndex = 0;   // 0 driving, 1 walking, anything else (no selection too) bicycling
    int lineCount = 0;   // the line count taken when the address file was chosen
    // The window always replaces the result file; the command may resume it, or ask again
    // only its refused rows.
    ResultMode resultMode = ResultMode::Replace;
};

// What the command adds for long runs; the window keeps the defaults.
struct LongRunOptions {
    // Identical lines are asked once; each line still gets its own row, the same as
    // asking again would give (a refused answer is not handed on: the next identical line
    // is asked).
    bool dedupe = false;
    // Rows reach the system after every `jobs` rows and the disk at least once a second.
    bool durable = false;
};

enum class BatchOutcome {
    NotStarted, // key or destination blank: a warning, nothing opened
    OpenFailed, // address or result file could not be opened
    Completed,  // the last line was processed (the success message was shown)
    Aborted,    // a failure after both files were opened
    Stopped,    // a stop was requested between lines (the command's Ctrl-C)
    Refused,    // the result file does not fit a resumed or retried run: an error, nothing touched
};

// Follows the lines of a run on the run's thread, in input order whatever the number of
// jobs, so that what it reports falls in place among the run's messages (the command
// shows from it what the service said).
class LineObserver {
  public:
    virtual ~LineObserver() = default;
    // Once, before the first line is asked.
    virtual void beforeFirstRequest() {}
    // Each line's answer when the line's turn comes, before its message and row.
    virtual void lineAnswered(const LineAnswer &) {}
};

// The mode word sent to the service for a travel-mode index.
QString travelModeWord(int modeIndex);

class BatchRun {
  public:
    // texts is read at the moment each message or row text is used, so it may be
    // the window's live message slots.
    BatchRun(RouteService &service, MessageSink &messages, RunProgress &progress, const MessageSlots &texts);

    // Checked between lines; when set, the run ends after the lines in work.
    void setStopFlag(const std::atomic_bool *stop) { m_stop = stop; }

    // Up to `jobs` requests in flight, each on a route service of its own made by
    // `factory` (the service given to the constructor is then not used). Rows, messages
    // and progress still follow the input order, and the result file is the same as
    // with one job for the same answers. 1 (the default) asks one line at a time on
    // the calling thread with the constructor's service.
    void setJobs(int jobs, RouteServiceFactory factory);
    void setObserver(LineObserver *observer) { m_observer = observer; }
    int jobs() const { return m_jobs; }

    void setLongRunOptions(const LongRunOptions &options) { m_options = options; }
    // What the last run did: its rows, requests and retries.
    const RunCounts &counts() const { return m_counts; }

    BatchOutcome run(const BatchInput &input);

    // The error shown after the closing message when the result file could not be
    // completed at close (the message slots have no text for it).
    static QString resultFileErrorText(const QString &resultPath, int errorNumber);

  private:
    struct Lines;
    enum class LineResult { Row, Unreadable };
    // Turns a line's answer into its row, with the message and progress it brings.
    LineResult rowOfAnswer(const LineAnswer &answer, QString &row);
    // The lines from the address file's current place to its end; Completed, Stopped or
    // Aborted. Asks one line at a time, or ahead on `jobs` services.
    BatchOutcome runLines(const BatchInput &input, LineAsker &asker, Lines &lines);
    // Writes a line's row, counts it and advances the bars; false when the run must end.
    bool finishLine(const LineAnswer &answer, Lines &lines);
    bool writeKeptRow(const QByteArray &row, Lines &lines);
    // After a stop in a run that asks again only refused rows: the rows not asked again
    // are copied as they were, so the new file is whole.
    bool copyRemainingRows(Lines &lines);

    RouteService &m_service;
    MessageSink &m_messages;
    RunProgress &m_progress;
    const MessageSlots &m_texts;
    const std::atomic_bool *m_stop = nullptr;
    LineObserver *m_observer = nullptr;
    int m_jobs = 1;
    RouteServiceFactory m_factory;
    LongRunOptions m_options;
    RunCounts m_counts;
};

} // namespace trajetix
