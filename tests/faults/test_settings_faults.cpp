// The settings file failing the window: garbage in it, or no way to write it. The
// start-up shows the error it owes and the window opens all the same; a close that
// cannot write says so and keeps the window open; nothing else in the file changes.
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "main/WindowFakes.h"
#include "main/untPrincipal.h"
#include "settings/PermissionScope.h"
#include "themes/ThemeManager.h"

using namespace trajetix;

namespace {

enum class Setup { File, ReadOnlyFile, ReadOnlyFolderWithoutFile, FolderInItsPlace };

const QString emptyIntegerError = QStringLiteral("'' is not a valid integer value for Integer type.");

QByteArray bytesOf(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

} // namespace

class TestSettingsFaults : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void settingsFault_data();
    void settingsFault();
};

void TestSettingsFaults::cleanup()
{
    ThemeManager::instance().apply(ThemeManager::systemName(), false);
}

void TestSettingsFaults::settingsFault_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("startErrors");
    QTest::addColumn<bool>("closeFails");
    // What the file starts and ends with after the first close that wrote it.
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<QByteArray>("keptTail");

    const int file = int(Setup::File);
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 131 + 7) % 256 == '[' ? 0 : (i * 131 + 7) % 256);
    QTest::newRow("binary garbage") << file << garbage << QStringList{emptyIntegerError} << false << garbage
                                    << QByteArray("\r\naparencia=Windows\r\n");

    const QByteArray garbageValue =
        "[DADOS]\r\nmododeslocamento=\x01\xff" + QByteArray(1, '\0') + "x\r\n\x80\x81\r\r\n";
    QTest::newRow("binary garbage as the travel mode")
        << file << garbageValue
        << QStringList{QStringLiteral("'\u0001\u00ff") + QChar(0) +
                       QStringLiteral("x' is not a valid integer value for Integer type.")}
        << false << QByteArray("[DADOS]\r\nmododeslocamento=0\r\n")
        << QByteArray("\r\naparencia=Windows\r\n\x80\x81\r\r\n");

    const QByteArray oddUtf16 = QByteArray("\xFF\xFE[\0X\0]\0\n\0\x01", 11);
    QTest::newRow("UTF-16 mark and half a character")
        << file << oddUtf16 << QStringList{emptyIntegerError} << false << oddUtf16.chopped(1)
        << QByteArray("w\0s\0\r\0\n\0", 8);

    const QByteArray sound =
        "; mine\r\n[DADOS]\r\nmododeslocamento=1\r\nchaveapigoogle=k\r\nidioma=1\r\naparencia=Windows\r\n";
    QTest::newRow("read-only settings file")
        << int(Setup::ReadOnlyFile) << sound << QStringList() << true << sound << QByteArray();
    QTest::newRow("folder not writable, no settings file")
        << int(Setup::ReadOnlyFolderWithoutFile) << QByteArray() << QStringList() << true << QByteArray()
        << QByteArray();
    QTest::newRow("a folder in the settings file's place")
        << int(Setup::FolderInItsPlace) << QByteArray() << QStringList{emptyIntegerError} << true
        << QByteArray() << QByteArray();
}

void TestSettingsFaults::settingsFault()
{
    QFETCH(int, setup);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, startErrors);
    QFETCH(bool, closeFails);
    QFETCH(QByteArray, kept);
    QFETCH(QByteArray, keptTail);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(folder));
    const QString settingsFile = folder + QStringLiteral("/config.ini");
    if (!content.isNull()) {
        QFile f(settingsFile);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }

    PermissionScope permissions;
    const auto restore = [&] {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(settingsFile, QFile::ReadOwner | QFile::WriteOwner);
    };
    switch (Setup(setup)) {
    case Setup::File:
        break;
    case Setup::ReadOnlyFile:
        QVERIFY(permissions.permissionsBind());
        QVERIFY(QFile::setPermissions(settingsFile, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        break;
    case Setup::ReadOnlyFolderWithoutFile:
        QVERIFY(permissions.permissionsBind());
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        break;
    case Setup::FolderInItsPlace:
        QVERIFY(QDir().mkdir(settingsFile));
        break;
    }

    Fakes fakes;
    WindowOptions options = fakes.options();
    options.settingsFile = settingsFile;
    auto window = std::make_unique<TfrmPrincipal>(options);
    QCOMPARE(fakes.errorBox.texts, startErrors);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    if (closeFails) {
        const QString error = QStringLiteral("Unable to write to ") + settingsFile + u'.';
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QCOMPARE(fakes.errorBox.texts, startErrors + QStringList{error});
        QCOMPARE(bytesOf(settingsFile), content.isNull() ? QByteArray("<no file>") : content);
        // Put right, the next close writes.
        restore();
        if (Setup(setup) == Setup::FolderInItsPlace)
            QVERIFY(QDir(settingsFile).removeRecursively());
    }
    const qsizetype errorsBefore = fakes.errorBox.texts.size();
    QVERIFY(window->close());
    QCOMPARE(fakes.errorBox.texts.size(), errorsBefore);
    const QByteArray written = bytesOf(settingsFile);
    QVERIFY2(written.startsWith(kept), written.left(200).toHex(' ').constData());
    QVERIFY2(written.endsWith(keptTail), written.right(200).toHex(' ').constData());

    // The file the close wrote starts the window cleanly.
    Fakes again;
    WindowOptions options2 = again.options();
    options2.settingsFile = settingsFile;
    TfrmPrincipal second(options2);
    QCOMPARE(again.errorBox.texts, QStringList());
    restore();
}

QTEST_MAIN(TestSettingsFaults)
#include "test_settings_faults.moc"
