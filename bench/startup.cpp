// trajetix-bench-startup [LAUNCH_NS]: starts the program's main window the way the
// program does, waits for its first frame to be shown, lets it rest, and prints
//   <milliseconds to the first frame> <resident KiB at rest>
// The time counts from LAUNCH_NS (nanoseconds since the epoch, taken by the caller
// just before starting this program, so loading the libraries counts too) or else
// from the start of main(). For bench/run; run with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <functional>
#include <cstdio>

#include "main/untPrincipal.h"

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// The window paints itself before its children, then the frame is flushed to the
// screen; a zero timer queued at its first paint fires once that frame is out.
class FirstFrame : public QObject {
  public:
    explicit FirstFrame(std::function<void()> shown) : m_shown(std::move(shown)) {}

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, watched, m_shown);
        }
        return false;
    }

  private:
    std::function<void()> m_shown;
    bool m_seen = false;
};

} // namespace

int main(int argc, char **argv)
{
    const qint64 mainNs = nowNs();
    qint64 startNs = mainNs;
    if (argc == 2) {
        bool ok = false;
        startNs = QByteArray(argv[1]).toLongLong(&ok);
        if (!ok || startNs <= 0 || startNs > mainNs) {
            std::fputs("usage: trajetix-bench-startup [LAUNCH_NS]\n", stderr);
            return 2;
        }
    } else if (argc > 2) {
        std::fputs("usage: trajetix-bench-startup [LAUNCH_NS]\n", stderr);
        return 2;
    }

    // As the program starts (main/main.cpp), with a settings file of its own so that a
    // first start is measured and the user's settings stay untouched.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trajetix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Trajetix"));
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fputs("no temporary folder\n", stderr);
        return 1;
    }
    WindowOptions options;
    options.settingsFile = work.filePath(QStringLiteral("config.ini"));

    qint64 firstFrameNs = 0;
    FirstFrame firstFrame([&] {
        firstFrameNs = nowNs();
        // At rest: nothing happens for a while after the first frame.
        QTimer::singleShot(1000, &app, &QCoreApplication::quit);
    });
    frmPrincipal = new TfrmPrincipal(options);
    frmPrincipal->installEventFilter(&firstFrame);
    frmPrincipal->show();
    QTimer::singleShot(60000, &app, [] {
        std::fputs("the window showed no frame within a minute\n", stderr);
        QCoreApplication::exit(1);
    });
    if (app.exec() != 0 || firstFrameNs == 0)
        return 1;
    const qint64 resident = residentKiB();
    // Deleted without closing: closing would write the settings file.
    delete frmPrincipal;
    frmPrincipal = nullptr;
    std::printf("%.1f %lld\n", double(firstFrameNs - startNs) / 1e6, static_cast<long long>(resident));
    return 0;
}
