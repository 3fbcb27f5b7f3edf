// trajetix-batch: the window's batch run without a window.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSaveFile>

#include <cstdio>
#include <memory>
#include <unistd.h>

#include "batch/BatchRun.h"
#include "batch/LineCounter.h"
#include "batch/RunPlan.h"
#include "batch/RunReport.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "cli/Estimate.h"
#include "cli/ServiceReporter.h"
#include "cli/StopSignals.h"
#include "distance_matrix/RetryDelay.h"
#include "i18n/Texts.h"
#include "routes/ServiceChoice.h"
#include "settings/SettingsLocation.h"

using namespace trajetix;

namespace {

enum ExitStatus { Success = 0, Failure = 1, UsageError = 2 };

int requestsPerMinute(const cli::CommandOptions &options)
{
    if (options.rate > 0)
        return options.rate;
    return options.service == ServiceChoice::Routes ? cli::RoutesPerMinute : cli::DistanceMatrixPerMinute;
}

// --estimate: the run's own reading of the files, and nothing sent.
int printEstimate(const cli::CommandOptions &options, const MessageSlots &texts, MessageSink &messages)
{
    RunPlan plan;
    int error = 0;
    if (!makeRunPlan(options.addressPath, options.resultPath, options.resultMode, options.dedupe, plan,
                     error)) {
        messages.showMessage(MessageKind::Error, texts.msgdlgbtnArquivoEnderecosErro);
        return Failure;
    }
    if (!plan.problem.isEmpty()) {
        messages.showMessage(MessageKind::Error, plan.problem);
        return Failure;
    }
    if (plan.addressReadError)
        messages.showMessage(MessageKind::Warning,
                             QStringLiteral("The address file cannot be read after its line %1: a run ends "
                                            "there, so only the lines before it are counted.")
                                 .arg(plan.addressLines));
    cli::Estimate estimate;
    estimate.lines = plan.linesToAsk;
    estimate.requests = options.dedupe ? plan.duplicates.distinct() : plan.linesToAsk;
    estimate.pricePer1000 = options.pricePer1000;
    estimate.requestsPerMinute = requestsPerMinute(options);
    const QByteArray text = estimate.text().toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
    return Success;
}

bool writeReportFile(const QString &fileName, const RunReport &report)
{
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(report.json()) >= 0 && file.commit();
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

    if (options.estimate)
        return printEstimate(options, texts, messages);

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
    // One pacing for the whole run: several jobs together keep to the rate.
    serviceOptions.pacer = makeRequestPacer(options.service, options.rate);
    serviceOptions.stop = &cli::stopRequested();
    serviceOptions.retries = options.retry ? DefaultMaxRetries : 0;
    const std::unique_ptr<RouteService> service = makeRouteService(options.service, serviceOptions);
    cli::ServiceReporter reporter(messages);
    reporter.setNoticeBeforeFirstRequest(betaNotice(options.service, options.modeIndex, options.language));

    BatchInput input;
    input.key = options.key ? *options.key : savedApiKey();
    input.addressPath = options.addressPath;
    input.resultPath = options.resultPath;
    input.modeIndex = options.modeIndex;
    input.lineCount = *lineCount;
    input.resultMode = options.resultMode;

    cli::catchStopSignals();
    BatchRun run(*service, messages, progress, texts);
    run.setStopFlag(&cli::stopRequested());
    run.setObserver(&reporter);
    if (options.jobs > 1)
        run.setJobs(options.jobs, [choice = options.service, serviceOptions] {
            return makeRouteService(choice, serviceOptions);
        });
    LongRunOptions longRun;
    longRun.dedupe = options.dedupe;
    longRun.durable = true;
    run.setLongRunOptions(longRun);

    QElapsedTimer clock;
    clock.start();
    const BatchOutcome outcome = run.run(input);

    int status = Failure;
    switch (outcome) {
    case BatchOutcome::Completed:
        status = Success;
        break;
    case BatchOutcome::Stopped:
        status = cli::exitStatusForStop();
        break;
    case BatchOutcome::Aborted:
        break;
    case BatchOutcome::NotStarted:
    case BatchOutcome::OpenFailed:
    case BatchOutcome::Refused:
        return Failure; // nothing was asked: nothing to report
    }

    RunReport report;
    report.counts = run.counts();
    report.seconds = double(clock.nsecsElapsed()) / 1e9;
    report.pricePer1000 = options.pricePer1000;
    if (!options.quiet)
        cli::printLine(stderr, report.line());
    if (!options.reportPath.isEmpty() && !writeReportFile(options.reportPath, report)) {
        messages.showMessage(
            MessageKind::Error,
            QStringLiteral("The report file %1 could not be written.").arg(options.reportPath));
        if (status == Success)
            status = Failure;
    }
    return status;
}
