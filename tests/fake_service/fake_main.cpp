// A fake Distance Matrix service (and Routes API computeRouteMatrix, on its own path) for
// process-level tests and benchmarks. Prints the port it listens on as the first line of its
// output and serves until it is killed.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

#include "fake_service/FakeDistanceMatrix.h"
#include "fake_service/FakeRoutes.h"

using namespace trajetix;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fake-distance-matrix"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Fake Distance Matrix web service (and Routes API computeRouteMatrix) on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (0: any free port)."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption httpsOption(QStringLiteral("https"),
                                         QStringLiteral("Serve HTTPS with a test CA."));
    const QCommandLineOption caOutOption(
        QStringLiteral("ca-out"), QStringLiteral("Write the test CA (PEM) to FILE."), QStringLiteral("FILE"));
    const QCommandLineOption delayOption(QStringLiteral("delay-ms"),
                                         QStringLiteral("Wait before each answer."), QStringLiteral("N"),
                                         QStringLiteral("0"));
    const QCommandLineOption answerOption(
        QStringLiteral("answer"),
        QStringLiteral("found (default), not-found or refused; for the Routes "
                       "path: found, ROUTE_NOT_FOUND, or 400 API key not valid."),
        QStringLiteral("KIND"), QStringLiteral("found"));
    parser.addOptions({portOption, httpsOption, caOutOption, delayOption, answerOption});
    parser.process(app);

    QTextStream err(stderr);
    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        err << "fake-distance-matrix: bad --port\n";
        return 2;
    }
    const int delayMs = parser.value(delayOption).toInt(&ok);
    if (!ok || delayMs < 0) {
        err << "fake-distance-matrix: bad --delay-ms\n";
        return 2;
    }
    const QString answer = parser.value(answerOption);
    FakeHandler handler;
    if (answer == QLatin1String("found")) {
        handler = &FakeDistanceMatrix::defaultHandler;
    } else if (answer == QLatin1String("not-found")) {
        FakeRoutesOptions notFound;
        notFound.decide = [](int, int, const QString &, const QString &, const QString &) {
            FakeRouteElement e;
            e.outcome = FakeRouteElement::Outcome::NotFound;
            return e;
        };
        handler = [notFound](const FakeRequest &request) {
            if (request.path == FakeRoutes::path())
                return FakeRoutes::answer(request, notFound);
            return FakeDistanceMatrix::elementAnswer(QString(), QString());
        };
    } else if (answer == QLatin1String("refused")) {
        handler = [](const FakeRequest &request) {
            if (request.path == FakeRoutes::path())
                return FakeRoutes::invalidKey();
            return FakeDistanceMatrix::refusedAnswer();
        };
    } else {
        err << "fake-distance-matrix: --answer must be found, not-found or refused\n";
        return 2;
    }
    if (parser.isSet(caOutOption) && !parser.isSet(httpsOption)) {
        err << "fake-distance-matrix: --ca-out needs --https\n";
        return 2;
    }

    FakeDistanceMatrix fake;
    fake.setHandler([handler, delayMs](const FakeRequest &request) {
        FakeReply reply = handler(request);
        reply.delayMs = delayMs;
        return reply;
    });
    const auto scheme =
        parser.isSet(httpsOption) ? FakeDistanceMatrix::Scheme::Https : FakeDistanceMatrix::Scheme::Http;
    if (!fake.start(scheme, quint16(port))) {
        err << "fake-distance-matrix: " << fake.errorString() << '\n';
        return 1;
    }
    if (parser.isSet(caOutOption)) {
        const QString target = parser.value(caOutOption);
        QFile::remove(target);
        if (!QFile::copy(fake.caFile(), target)) {
            err << "fake-distance-matrix: cannot write " << target << '\n';
            return 1;
        }
    }
    std::printf("%u\n", unsigned(fake.port()));
    std::fflush(stdout);
    return app.exec();
}
