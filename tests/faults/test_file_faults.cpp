// Failing files in the middle of a batch run: a full device, folders and files that
// cannot be written, an address file removed or cut short while it is read, and one
// line of 10 MB. Whatever happens, the run shows the message it owes, never crashes
// or hangs, and the rows written before the fault are on the disk, whole and readable.
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include "FaultSupport.h"
#include "distance_matrix/DistanceMatrixService.h"
#include "fake_service/FakeDistanceMatrix.h"
#include "settings/PermissionScope.h"

using namespace trajetix;
using namespace faults;

namespace {

enum class Fault {
    ResultOnFullDevice,
    ResultFolderReadOnly,
    ResultFileReadOnly,
    AddressFileRemoved,
    AddressFileEmptied,
    AddressFileCutMidLine,
};

// What the result file holds afterwards.
enum class Rows {
    EveryRow,    // one row per address line
    WholePrefix, // the rows of the lines before the fault, each whole, and not all rows
    NoFile,      // never created
    OldContent,  // the file as it was before the run
    NotReadable, // a device: nothing to read back
};

QByteArray addressLines(int count)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += "Origem " + QByteArray::number(i) + ";Destino " + QByteArray::number(i) + "\r\n";
    return bytes;
}

// The rows the scripted service gives for every line: each pair found, resolved to
// "<origin>!" and "<destination>!".
QStringList everyRow(const QByteArray &addresses)
{
    QStringList rows;
    for (const QByteArray &line : addresses.split('\n')) {
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        if (text.isEmpty())
            continue;
        const qsizetype semicolon = text.indexOf(';');
        rows << QString::fromLatin1(text.left(semicolon)) + QStringLiteral("!;") +
                    QString::fromLatin1(text.mid(semicolon + 1)) + QStringLiteral("!;1 km;2 mins");
    }
    return rows;
}

QByteArray fileBytes(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

} // namespace

class TestFileFaults : public QObject {
    Q_OBJECT
  private slots:
    void fileFault_data();
    void fileFault();
    void tenMegabyteLine_data();
    void tenMegabyteLine();
};

void TestFileFaults::fileFault_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("rows");

    const QByteArray few = addressLines(3);
    // More than any read or write buffer of the run holds at once.
    const QByteArray many = addressLines(6000);
    const int aborted = int(BatchOutcome::Aborted);
    const int completed = int(BatchOutcome::Completed);
    const int openFailed = int(BatchOutcome::OpenFailed);

    QTest::newRow("result on a full device, rows still buffered")
        << int(Fault::ResultOnFullDevice) << few << aborted << QStringList{runAborted()}
        << int(Rows::NotReadable);
    QTest::newRow("result on a full device, buffer written out mid-run")
        << int(Fault::ResultOnFullDevice) << many << aborted << QStringList{runAborted()}
        << int(Rows::NotReadable);
    QTest::newRow("result folder not writable") << int(Fault::ResultFolderReadOnly) << few << openFailed
                                                << QStringList{cannotOpen()} << int(Rows::NoFile);
    QTest::newRow("result file read-only") << int(Fault::ResultFileReadOnly) << few << openFailed
                                           << QStringList{cannotOpen()} << int(Rows::OldContent);
    // The open file stays readable after its name is gone, so the run ends normally.
    QTest::newRow("address file removed during the run")
        << int(Fault::AddressFileRemoved) << many << completed << QStringList{success()}
        << int(Rows::EveryRow);
    QTest::newRow("address file emptied during the run")
        << int(Fault::AddressFileEmptied) << many << aborted << QStringList{runAborted()}
        << int(Rows::WholePrefix);
    QTest::newRow("address file cut in the middle of a line during the run")
        << int(Fault::AddressFileCutMidLine) << many << aborted << QStringList{runAborted()}
        << int(Rows::WholePrefix);
}

void TestFileFaults::fileFault()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, addresses);
    QFETCH(int, outcome);
    QFETCH(QStringList, messages);
    QFETCH(int, rows);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    batchtest::ScriptedService service;
    Run run(service);
    run.input.addressPath = folder.filePath(QStringLiteral("addresses.csv"));
    run.input.resultPath = folder.filePath(QStringLiteral("out/result.csv"));
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("out")));
    QVERIFY(writeFile(run.input.addressPath, addresses));
    const QByteArray oldResult = "an earlier run's row\r\n";

    PermissionScope permissions;
    switch (Fault(fault)) {
    case Fault::ResultOnFullDevice:
        QVERIFY2(QFileInfo::exists(QStringLiteral("/dev/full")), "this system has no /dev/full");
        run.input.resultPath = QStringLiteral("/dev/full");
        break;
    case Fault::ResultFolderReadOnly:
        QVERIFY(permissions.permissionsBind());
        QVERIFY(
            QFile::setPermissions(folder.filePath(QStringLiteral("out")),
                                  QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup));
        break;
    case Fault::ResultFileReadOnly:
        QVERIFY(permissions.permissionsBind());
        QVERIFY(writeFile(run.input.resultPath, oldResult));
        QVERIFY(QFile::setPermissions(run.input.resultPath,
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        break;
    case Fault::AddressFileRemoved:
        service.onSend = [&](int n) {
            if (n == 1)
                QFile::remove(run.input.addressPath);
        };
        break;
    case Fault::AddressFileEmptied:
    case Fault::AddressFileCutMidLine: {
        // Cut while the second line is asked for: the reader has a first piece of the
        // file in hand, the rest is gone.
        const qint64 keep = Fault(fault) == Fault::AddressFileEmptied ? 0 : addresses.size() * 3 / 4 + 5;
        QVERIFY(addresses.at(keep - 1) != '\n');
        service.onSend = [&, keep](int n) {
            if (n == 1)
                QVERIFY(::truncate(QFile::encodeName(run.input.addressPath).constData(), keep) == 0);
        };
        break;
    }
    }

    QCOMPARE(int(run.start()), outcome);
    QCOMPARE(run.sink.messages, messages);

    const QStringList all = everyRow(addresses);
    switch (Rows(rows)) {
    case Rows::EveryRow:
        QCOMPARE(rowsOnDisk(run.input.resultPath), all);
        break;
    case Rows::WholePrefix: {
        const QStringList written = rowsOnDisk(run.input.resultPath);
        QVERIFY(!written.isEmpty());
        QVERIFY2(written.size() < all.size(), qPrintable(QString::number(written.size())));
        QCOMPARE(written, all.mid(0, written.size()));
        break;
    }
    case Rows::NoFile:
        QVERIFY(!QFileInfo::exists(run.input.resultPath));
        break;
    case Rows::OldContent:
        QCOMPARE(fileBytes(run.input.resultPath), oldResult);
        break;
    case Rows::NotReadable:
        // The run stopped at the first failed write, not after reading every line.
        if (addresses.size() > 64 * 1024)
            QVERIFY2(service.sends < all.size(), qPrintable(QString::number(service.sends)));
        break;
    }
    if (Fault(fault) != Fault::AddressFileRemoved && Fault(fault) != Fault::AddressFileEmptied &&
        Fault(fault) != Fault::AddressFileCutMidLine)
        QCOMPARE(fileBytes(run.input.addressPath), addresses);
}

void TestFileFaults::tenMegabyteLine_data()
{
    QTest::addColumn<bool>("realService");
    QTest::newRow("the service answers") << false;
    // libcurl refuses a request of that size before sending it.
    QTest::newRow("the request is refused") << true;
}

void TestFileFaults::tenMegabyteLine()
{
    QFETCH(bool, realService);
    const QString origin(5 * 1024 * 1024, u'O');
    const QString destination = QString(5 * 1024 * 1024 - 1, u'D') + u';';

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    FakeDistanceMatrix fake;
    QVERIFY(fake.start());
    ClientSettings settings;
    settings.endpoint = fake.endpoint();
    settings.connectTimeoutMs = 2000;
    settings.responseTimeoutMs = 5000;
    DistanceMatrixService real(settings);
    batchtest::ScriptedService scripted;
    Run run(realService ? static_cast<RouteService &>(real) : scripted);
    run.input.addressPath = folder.filePath(QStringLiteral("addresses.csv"));
    run.input.resultPath = folder.filePath(QStringLiteral("result.csv"));
    QVERIFY(writeFile(run.input.addressPath, (origin + u';' + destination).toLatin1()));

    QCOMPARE(countAddressLines(run.input.addressPath), std::optional<int>(1));
    QCOMPARE(int(run.start()), int(BatchOutcome::Completed));
    const QStringList expected =
        realService
            ? QStringList{refusedRow(origin, destination)}
            : QStringList{origin + QStringLiteral("!;") + destination + QStringLiteral("!;1 km;2 mins")};
    const QStringList messages =
        realService ? QStringList{requestFailed(), success()} : QStringList{success()};
    QCOMPARE(run.sink.messages, messages);
    // Compared without QCOMPARE, which would print megabytes on a failure.
    const QStringList written = rowsOnDisk(run.input.resultPath);
    QVERIFY2(written == expected, qPrintable(QStringLiteral("%1 rows, first of %2 characters")
                                                 .arg(written.size())
                                                 .arg(written.value(0).size())));
}

QTEST_GUILESS_MAIN(TestFileFaults)
#include "test_file_faults.moc"
