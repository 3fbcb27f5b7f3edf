#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

namespace trajetix::cli {

namespace {

const QStringList modeWords{QStringLiteral("driving"), QStringLiteral("walking"),
                            QStringLiteral("bicycling")};
// In the order of the interface-language index.
const QStringList languageCodes{QStringLiteral("pt"), QStringLiteral("en"), QStringLiteral("es"),
                                QStringLiteral("de"), QStringLiteral("fr"), QStringLiteral("uk"),
                                QStringLiteral("zh")};

ParsedCommandLine failure(const QString &text)
{
    ParsedCommandLine result;
    result.action = ParsedCommandLine::Action::Error;
    result.text = text;
    return result;
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Asks Google's Distance Matrix service (or the Routes API) for the distance and the travel\n"
        "time of every \"origin;destination\" line of ADDRESS_FILE and writes one row per line to\n"
        "RESULT_FILE.\n"
        "Exit status: 0 the run reached its end, 1 it was refused or ended early,\n"
        "2 wrong command line, 130 stopped with Ctrl-C, 143 stopped with SIGTERM (the line in\n"
        "work is finished and every row written so far is kept: --resume goes on from there)."));
    const QCommandLineOption keyOption(QStringLiteral("key"),
                                       QStringLiteral("API key (default: the key saved by the program)."),
                                       QStringLiteral("KEY"));
    const QCommandLineOption modeOption(QStringLiteral("mode"),
                                        QStringLiteral("driving (default), walking or bicycling."),
                                        QStringLiteral("MODE"));
    const QCommandLineOption languageOption(QStringLiteral("language"),
                                            QStringLiteral("pt (default), en, es, de, fr, uk or zh: texts of "
                                                           "messages and of the not-found and refused rows."),
                                            QStringLiteral("LANG"));
    const QCommandLineOption serviceOption(
        QStringLiteral("service"),
        QStringLiteral("distance-matrix (default) or routes: the web service asked. A Google Cloud "
                       "project made today can enable only the Routes API."),
        QStringLiteral("SERVICE"));
    const QCommandLineOption rateOption(QStringLiteral("rate"),
                                        QStringLiteral("At most N requests (elements) a minute, evenly "
                                                       "spaced, all jobs together (default: 3000 for routes, "
                                                       "no limit for distance-matrix)."),
                                        QStringLiteral("N"));
    const QCommandLineOption endpointOption(
        QStringLiteral("endpoint"),
        QStringLiteral("The chosen service's address, http:// or https:// (for local proxies and tests)."),
        QStringLiteral("URL"));
    const QCommandLineOption caOption(
        QStringLiteral("ca-file"),
        QStringLiteral("An extra trusted certificate authority (PEM) for https addresses."),
        QStringLiteral("FILE"));
    const QCommandLineOption quietOption(
        QStringLiteral("quiet"),
        QStringLiteral("No progress display and no report line; messages are still printed."));
    const QCommandLineOption estimateOption(
        QStringLiteral("estimate"),
        QStringLiteral("Read the address file and print what the run would send, cost and take at least "
                       "(\"key: value\" lines); send nothing. RESULT_FILE is needed only with --resume or "
                       "--retry-refused."));
    const QCommandLineOption priceOption(
        QStringLiteral("price-per-1000"),
        QStringLiteral("US dollars per 1,000 requests, for --estimate and the report (default 5.00; "
                       "Google's price list changes)."),
        QStringLiteral("X"));
    const QCommandLineOption resumeOption(
        QStringLiteral("resume"),
        QStringLiteral("Go on with an interrupted run: the complete rows of RESULT_FILE stay as they are, "
                       "a cut last row is dropped, only the lines after them are asked."));
    const QCommandLineOption retryRefusedOption(
        QStringLiteral("retry-refused"),
        QStringLiteral("Ask again only the lines whose row in RESULT_FILE is a refused row; every other "
                       "row stays as it is. The file is replaced whole at the end."));
    const QCommandLineOption dedupeOption(
        QStringLiteral("dedupe"),
        QStringLiteral("Ask identical lines once in the run; each still gets its own row."));
    const QCommandLineOption noRetryOption(
        QStringLiteral("no-retry"),
        QStringLiteral("Do not ask again after OVER_QUERY_LIMIT, UNKNOWN_ERROR, HTTP 429 or 503 (by "
                       "default up to 3 more times, after 1, 2 and 4 s or the Retry-After given)."));
    const QCommandLineOption reportOption(QStringLiteral("report"),
                                          QStringLiteral("Write the run report as JSON to FILE."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        QStringLiteral("Requests in flight at once, 1 (default) to %1, each on a connection of its own; "
                       "rows stay in input order.")
            .arg(MaxJobs),
        QStringLiteral("N"));
    parser.addOptions({keyOption, modeOption, languageOption, serviceOption, rateOption, endpointOption,
                       caOption, jobsOption, quietOption, estimateOption, priceOption, resumeOption,
                       retryRefusedOption, dedupeOption, noRetryOption, reportOption});
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("ADDRESS_FILE"),
                                 QStringLiteral("Lines of \"origin;destination\"."));
    parser.addPositionalArgument(QStringLiteral("RESULT_FILE"),
                                 QStringLiteral("Created, or replaced if it exists (unless --resume or "
                                                "--retry-refused)."));

    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (parser.isSet(helpOption)) {
        ParsedCommandLine result;
        result.action = ParsedCommandLine::Action::Help;
        result.text = parser.helpText();
        return result;
    }
    if (parser.isSet(versionOption)) {
        ParsedCommandLine result;
        result.action = ParsedCommandLine::Action::Version;
        return result;
    }

    ParsedCommandLine result;
    CommandOptions &options = result.options;
    options.estimate = parser.isSet(estimateOption);
    if (parser.isSet(resumeOption) && parser.isSet(retryRefusedOption))
        return failure(QStringLiteral("--resume and --retry-refused cannot be used together: finish the run "
                                      "with --resume, then ask the refused rows again."));
    if (parser.isSet(resumeOption))
        options.resultMode = ResultMode::Resume;
    else if (parser.isSet(retryRefusedOption))
        options.resultMode = ResultMode::RetryRefused;

    const QStringList files = parser.positionalArguments();
    // An estimate of a plain run needs no result file.
    const bool resultOptional = options.estimate && options.resultMode == ResultMode::Replace;
    if (files.size() != 2 && !(resultOptional && files.size() == 1))
        return failure(QStringLiteral("Expected ADDRESS_FILE and RESULT_FILE, got %1 file argument(s).")
                           .arg(files.size()));
    options.addressPath = files.at(0);
    options.resultPath = files.value(1);

    if (parser.isSet(keyOption))
        options.key = parser.value(keyOption);
    if (parser.isSet(modeOption)) {
        const QString mode = parser.value(modeOption);
        options.modeIndex = int(modeWords.indexOf(mode.toLower()));
        if (options.modeIndex < 0)
            return failure(
                QStringLiteral("Unknown travel mode '%1': use driving, walking or bicycling.").arg(mode));
    }
    if (parser.isSet(languageOption)) {
        const QString language = parser.value(languageOption);
        options.language = int(languageCodes.indexOf(language.toLower()));
        if (options.language < 0)
            return failure(
                QStringLiteral("Unknown language '%1': use pt, en, es, de, fr, uk or zh.").arg(language));
    }
    if (parser.isSet(serviceOption)) {
        const QString service = parser.value(serviceOption).toLower();
        if (service == QLatin1String("distance-matrix"))
            options.service = ServiceChoice::DistanceMatrix;
        else if (service == QLatin1String("routes"))
            options.service = ServiceChoice::Routes;
        else
            return failure(QStringLiteral("Unknown service '%1': use distance-matrix or routes.")
                               .arg(parser.value(serviceOption)));
    }
    if (parser.isSet(rateOption)) {
        bool ok = false;
        const QString rate = parser.value(rateOption);
        options.rate = rate.trimmed().toInt(&ok);
        if (!ok || options.rate < 1)
            return failure(QStringLiteral("The rate must be a whole number of requests a minute, 1 or more, "
                                          "not '%1'.")
                               .arg(rate));
    }
    if (parser.isSet(endpointOption)) {
        options.endpoint = parser.value(endpointOption);
        const QUrl url(options.endpoint, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
            url.host().isEmpty() || url.hasQuery() || url.hasFragment())
            return failure(QStringLiteral(
                "The endpoint must be an http:// or https:// address without query or fragment."));
    }
    if (parser.isSet(caOption)) {
        options.caFile = parser.value(caOption);
        const QFileInfo ca(options.caFile);
        if (!ca.isFile() || !ca.isReadable())
            return failure(QStringLiteral("The CA file '%1' cannot be read.").arg(options.caFile));
    }
    if (parser.isSet(jobsOption)) {
        const QString jobs = parser.value(jobsOption);
        bool ok = false;
        options.jobs = jobs.toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > MaxJobs)
            return failure(QStringLiteral("--jobs must be a whole number from 1 to %1, not '%2'.")
                               .arg(MaxJobs)
                               .arg(jobs));
    }
    if (parser.isSet(priceOption)) {
        const std::optional<qint64> price = money::parseDollars(parser.value(priceOption));
        if (!price)
            return failure(QStringLiteral("The price per 1,000 requests must be a number of dollars such as "
                                          "5.00 or 4.125 (0 to 100000), not '%1'.")
                               .arg(parser.value(priceOption)));
        options.pricePer1000 = *price;
    }
    if (parser.isSet(reportOption)) {
        options.reportPath = parser.value(reportOption);
        const QFileInfo report(options.reportPath);
        const QFileInfo folder(report.absolutePath());
        if (options.reportPath.isEmpty() || report.isDir() || !folder.isDir() || !folder.isWritable())
            return failure(
                QStringLiteral("The report file '%1' cannot be written there.").arg(options.reportPath));
    }
    options.dedupe = parser.isSet(dedupeOption);
    options.retry = !parser.isSet(noRetryOption);
    options.quiet = parser.isSet(quietOption);
    result.action = ParsedCommandLine::Action::Run;
    return result;
}

} // namespace trajetix::cli
