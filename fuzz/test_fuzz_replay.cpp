// Runs every fuzz check over its committed seeds and over the inputs that once made
// it fail, so a fixed fault stays fixed without a fuzzing run.
#include <QtTest>

#include "FuzzSupport.h"

using namespace trajetix::fuzz;

class TestFuzzReplay : public QObject {
    Q_OBJECT
  private slots:
    void everyTargetHasSeeds_data();
    void everyTargetHasSeeds();
    void replay_data();
    void replay();
};

void TestFuzzReplay::everyTargetHasSeeds_data()
{
    QTest::addColumn<QString>("target");
    for (const Target &target : targets())
        QTest::newRow(target.name) << QString::fromLatin1(target.name);
}

void TestFuzzReplay::everyTargetHasSeeds()
{
    QFETCH(QString, target);
    const QDir corpus(QStringLiteral(TRAJETIX_FUZZ_DIR "/corpus/") + target);
    QVERIFY2(!corpus.entryList(QDir::Files).isEmpty(), qPrintable(corpus.path()));
}

void TestFuzzReplay::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("file");
    for (const Target &target : targets()) {
        const QString name = QString::fromLatin1(target.name);
        for (const QString &kind : {QStringLiteral("corpus"), QStringLiteral("regressions")}) {
            const QDir folder(QStringLiteral(TRAJETIX_FUZZ_DIR "/") + kind + u'/' + name);
            for (const QString &file : folder.entryList(QDir::Files, QDir::Name))
                QTest::newRow(qPrintable(name + u'/' + kind + u'/' + file)) << name << folder.filePath(file);
        }
    }
}

void TestFuzzReplay::replay()
{
    QFETCH(QString, target);
    QFETCH(QString, file);
    QFile input(file);
    QVERIFY2(input.open(QIODevice::ReadOnly), qPrintable(file));
    const QByteArray bytes = input.readAll();
    const Check check = findCheck(target.toLatin1().constData());
    QVERIFY(check);
    try {
        check(bytes);
    } catch (const CheckFailure &failure) {
        QFAIL(failure.what());
    }
}

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "test_fuzz_replay.moc"
