#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

#include "batch/ProgressState.h"
#include "i18n/Messages.h"

namespace trajetix::cli {

// The progress of a run on a terminal: one line redrawn in place with the lines
// done out of the count, the rate and the time left. Draws nothing when disabled
// (quiet, or standard error is not a terminal).
class TerminalProgress : public ProgressState {
  public:
    TerminalProgress(std::FILE *out, bool enabled);

    bool setMaximum(Bar bar, int maximum) override;
    void setPosition(Bar bar, int position) override;

    // Removes the drawn line, so a message can take its place.
    void clear();

  private:
    void draw(bool force);

    std::FILE *m_out;
    bool m_enabled;
    bool m_drawn = false;
    QElapsedTimer m_started;
    qint64 m_lastDraw = -1;
};

// Messages as "<Kind>: <text>" lines on standard error.
class ConsoleSink : public MessageSink {
  public:
    ConsoleSink(std::FILE *out, TerminalProgress *progress) : m_out(out), m_progress(progress) {}
    void showMessage(MessageKind kind, const QString &text) override;

  private:
    std::FILE *m_out;
    TerminalProgress *m_progress;
};

void printLine(std::FILE *out, const QString &text);

} // namespace trajetix::cli
