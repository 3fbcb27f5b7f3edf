#pragma once

#include <QString>

#include <atomic>

#include "batch/RouteService.h"
#include "batch/RunProgress.h"
#include "i18n/Messages.h"
#include "i18n/Texts.h"

namespace trajetix {

// What a run takes from the window (or the command line) when it starts.
struct BatchInput {
    QString key;         // the key box's text, untrimmed
    QString resultPath;  // full name of the result file
    QString addressPath; // full name of the address file
    int modeIndex = 0;   // 0 driving, 1 walking, anything else (no selection too) bicycling
    int lineCount = 0;   // the line count taken when the address file was chosen
};

enum class BatchOutcome {
    NotStarted, // key or destination blank: a warning, nothing opened
    OpenFailed, // address or result file could not be opened
    Completed,  // the last line was processed (the success message was shown)
    Aborted,    // a failure after both files were opened
    Stopped,    // a stop was requested between lines (the command's Ctrl-C)
};

// The mode word sent to the service for a travel-mode index.
QString travelModeWord(int modeIndex);

class BatchRun {
  public:
    // texts is read at the moment each message or row text is used, so it may be
    // the window's live message slots.
    BatchRun(RouteService &service, MessageSink &messages, RunProgress &progress, const MessageSlots &texts);

    // Checked between lines; when set, the run ends after the line in work.
    void setStopFlag(const std::atomic_bool *stop) { m_stop = stop; }

    BatchOutcome run(const BatchInput &input);

    // The error shown after the closing message when the result file could not be
    // completed at close (the message slots have no text for it).
    static QString resultFileErrorText(const QString &resultPath, int errorNumber);

  private:
    enum class LineResult { Row, Unreadable };
    LineResult processLine(const QString &line, const BatchInput &input, QString &row);

    RouteService &m_service;
    MessageSink &m_messages;
    RunProgress &m_progress;
    const MessageSlots &m_texts;
    const std::atomic_bool *m_stop = nullptr;
};

} // namespace trajetix
