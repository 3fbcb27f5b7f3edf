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
        "2 wrong command line, 130 stopped with Ctrl-C (rows written so far are kept)."));
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
    const QCommandLineOption rateOption(
        QStringLiteral("rate"),
        QStringLiteral("At most N requests (elements) a minute, evenly spaced (default: 3000 for routes, "
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
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("No progress display; messages are still printed."));
    parser.addOptions({keyOption, modeOption, languageOption, serviceOption, rateOption, endpointOption,
                       caOption, quietOption});
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("ADDRESS_FILE"),
                                 QStringLiteral("Lines of \"origin;destination\"."));
    parser.addPositionalArgument(QStringLiteral("RESULT_FILE"),
                                 QStringLiteral("Created, or replaced if it exists."));

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
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return failure(QStringLiteral("Expected ADDRESS_FILE and RESULT_FILE, got %1 file argument(s).")
                           .arg(files.size()));
    options.addressPath = files.at(0);
    options.resultPath = files.at(1);

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
    options.quiet = parser.isSet(quietOption);
    result.action = ParsedCommandLine::Action::Run;
    return result;
}

} // namespace trajetix::cli
