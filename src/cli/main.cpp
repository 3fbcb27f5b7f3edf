// trajetix-batch: the window's batch run without a window.
#include <QCoreApplication>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "batch/BatchRun.h"
#include "batch/LineCounter.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "cli/ReportingService.h"
#include "i18n/Texts.h"
#include "routes/ServiceChoice.h"
#include "settings/SettingsLocation.h"

using namespace trajetix;

namespace {

enum ExitStatus { Success = 0, Failure = 1, UsageError = 2, Interrupted = 130 };

std::atomic_bool stopRequested{false};
static_assert(std::atomic_bool::is_always_lock_free, "the stop flag is set from a signal handler");

extern "C" void onInterrupt(int)
{
    stopRequested.store(true);
}

// The first Ctrl-C ends the run after the line in work; SA_RESETHAND gives a second
// one its default effect, for a request that hangs until its time-out.
void catchInterrupt()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trajetix-batch"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TRAJETIX_VERSION));

    const cli::ParsedCommandLine command = cli::parseCommandLine(QCoreApplication::arguments());
    switch (command.action) {
    case cli::ParsedCommandLine::Action::Help:
        std::fputs(command.text.toUtf8().constData(), stdout);
        return Success;
    case cli::ParsedCommandLine::Action::Version:
        cli::printLine(stdout,
                       QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion());
        return Success;
    case cli::ParsedCommandLine::Action::Error:
        cli::printLine(stderr, QStringLiteral("Error: ") + command.text);
        cli::printLine(stderr, QStringLiteral("Try 'trajetix-batch --help'."));
        return UsageError;
    case cli::ParsedCommandLine::Action::Run:
        break;
    }
    const cli::CommandOptions &options = command.options;
    const MessageSlots &texts = messageSlots(options.language);

    cli::TerminalProgress progress(stderr, !options.quiet && ::isatty(STDERR_FILENO));
    cli::ConsoleSink messages(stderr, &progress);

    // The progress maximum is counted as the window counts an address file it accepts.
    const std::optional<int> lineCount = countAddressLines(options.addressPath);
    if (!lineCount) {
        messages.showMessage(MessageKind::Error, texts.msgdlgbtnArquivoEnderecosErro);
        return Failure;
    }

    ServiceOptions serviceOptions;
    serviceOptions.settings.endpoint = options.endpoint; // empty: the service's own
    serviceOptions.settings.caFile = options.caFile;
    serviceOptions.elementsPerMinute = options.rate;
    serviceOptions.stop = &stopRequested;
    const std::unique_ptr<RouteService> chosen = makeRouteService(options.service, serviceOptions);
    cli::ReportingService service(*chosen, messages);
    service.setNoticeBeforeFirstRequest(betaNotice(options.service, options.modeIndex, options.language));

    BatchInput input;
    input.key = options.key ? *options.key : savedApiKey();
    input.addressPath = options.addressPath;
    input.resultPath = options.resultPath;
    input.modeIndex = options.modeIndex;
    input.lineCount = *lineCount;

    catchInterrupt();
    BatchRun run(service, messages, progress, texts);
    run.setStopFlag(&stopRequested);
    switch (run.run(input)) {
    case BatchOutcome::Completed:
        return Success;
    case BatchOutcome::Stopped:
        return Interrupted;
    case BatchOutcome::NotStarted:
    case BatchOutcome::OpenFailed:
    case BatchOutcome::Aborted:
        break;
    }
    return Failure;
}
