#include "cli/ConsoleOutput.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace trajetix::cli {

namespace {

constexpr qint64 RedrawEveryMs = 100;

QString duration(qint64 seconds)
{
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int terminalWidth(std::FILE *out)
{
    struct winsize size {};
    if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

} // namespace

void printLine(std::FILE *out, const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
    std::fflush(out);
}

TerminalProgress::TerminalProgress(std::FILE *out, bool enabled) : m_out(out), m_enabled(enabled) {}

bool TerminalProgress::setMaximum(Bar bar, int maximum)
{
    const bool accepted = ProgressState::setMaximum(bar, maximum);
    if (accepted && bar == Bar::General) {
        m_started.start();
        draw(true);
    }
    return accepted;
}

void TerminalProgress::setPosition(Bar bar, int position)
{
    ProgressState::setPosition(bar, position);
    if (bar != Bar::General)
        return;
    if (position < Minimum)
        clear(); // the run is over
    else
        draw(position > maximum(Bar::General));
}

void TerminalProgress::clear()
{
    if (!m_enabled || !m_drawn)
        return;
    std::fputs("\r\033[K", m_out);
    std::fflush(m_out);
    m_drawn = false;
}

void TerminalProgress::draw(bool force)
{
    if (!m_enabled || !m_started.isValid())
        return;
    const qint64 now = m_started.elapsed();
    if (!force && m_lastDraw >= 0 && now - m_lastDraw < RedrawEveryMs)
        return;
    m_lastDraw = now;

    // After the k-th line the overall bar stands at k + 1.
    const qint64 total = maximum(Bar::General);
    const qint64 done = qBound(qint64(0), qint64(position(Bar::General)) - 1, total);
    QString figures = QStringLiteral(" %1/%2").arg(done).arg(total);
    if (done > 0 && now > 0) {
        const double rate = double(done) * 1000.0 / double(now);
        figures += QStringLiteral("  %1 lines/s").arg(rate, 0, 'f', rate < 10 ? 1 : 0);
        figures += QStringLiteral("  %1 left").arg(duration(qint64(double(total - done) / rate + 0.5)));
    }
    const int barWidth = qBound(10, terminalWidth(m_out) - int(figures.size()) - 3, 50);
    const int filled = total > 0 ? int(done * barWidth / total) : 0;
    const QString line = QStringLiteral("\r[") + QString(filled, u'#') + QString(barWidth - filled, u'.') +
                         u']' + figures + QStringLiteral("\033[K");
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out);
    std::fflush(m_out);
    m_drawn = true;
}

void ConsoleSink::showMessage(MessageKind kind, const QString &text)
{
    if (m_progress)
        m_progress->clear();
    printLine(m_out, messageKindTitle(kind) + QStringLiteral(": ") + text);
}

} // namespace trajetix::cli
