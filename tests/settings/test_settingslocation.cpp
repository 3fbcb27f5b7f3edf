#include <QtTest>

#include "settings/ProfileFile.h"
#include "settings/SettingsLocation.h"

#include "PermissionScope.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace trajetix;

namespace {

void putFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

mode_t modeOf(const QString &name)
{
    struct stat st {};
    if (::stat(QFile::encodeName(name).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

bool chmodPath(const QString &name, mode_t mode)
{
    return ::chmod(QFile::encodeName(name).constData(), mode) == 0;
}

} // namespace

class TestSettingsLocation : public QObject {
    Q_OBJECT
private slots:
    void init();

    void besideWritableExecutable();
    void existingFileBesideUnwritableExecutable();
    void unwritableExecutableFolderFallsBack_data();
    void unwritableExecutableFolderFallsBack();
    void existingUserFileIsUsed();
    void folderWritability_data();
    void folderWritability();
    void runningExecutableFolder();
    void savedApiKey_data();
    void savedApiKey();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void TestSettingsLocation::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSettingsLocation::besideWritableExecutable()
{
    const QString exeDir = path(QStringLiteral("bin"));
    const QString userDir = path(QStringLiteral("home/.config/trajetix"));
    QVERIFY(QDir().mkdir(exeDir));

    QCOMPARE(settingsFileNameFor(exeDir, userDir), exeDir + QStringLiteral("/config.ini"));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("home"))));
    QVERIFY(QDir(exeDir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void TestSettingsLocation::existingFileBesideUnwritableExecutable()
{
    const QString exeDir = path(QStringLiteral("bin"));
    const QString userDir = path(QStringLiteral("home/.config/trajetix"));
    QVERIFY(QDir().mkdir(exeDir));
    const QString besideExe = exeDir + QStringLiteral("/config.ini");
    putFile(besideExe, "[DADOS]\r\nidioma=1\r\n");
    QVERIFY(chmodPath(besideExe, 0444));

    // The user's own file, even read-only, is the one used: its write error is meant.
    const auto unwritable = [](const QString &) { return false; };
    QCOMPARE(settingsFileNameFor(exeDir, userDir, unwritable), besideExe);
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("home"))));
}

void TestSettingsLocation::unwritableExecutableFolderFallsBack_data()
{
    QTest::addColumn<bool>("folderIsFile");
    QTest::addRow("folder without write permission") << false;
    QTest::addRow("path under a file") << true;
}

void TestSettingsLocation::unwritableExecutableFolderFallsBack()
{
    QFETCH(bool, folderIsFile);
    const QString exeDir = path(QStringLiteral("bin"));
    const QString userDir = path(QStringLiteral("home/.config/trajetix"));
    if (folderIsFile) {
        putFile(exeDir, "not a folder");
    } else {
        QVERIFY(QDir().mkdir(exeDir));
        QVERIFY(chmodPath(exeDir, 0555));
    }
    auto unlock = qScopeGuard([&] { chmodPath(exeDir, 0755); });

    PermissionScope scope;
    QVERIFY(scope.permissionsBind());
    const QString name = settingsFileNameFor(exeDir, userDir);
    QCOMPARE(name, userDir + QStringLiteral("/config.ini"));
    QVERIFY(QFileInfo(userDir).isDir());
    QCOMPARE(modeOf(userDir), mode_t(0700));

    // The close can now save the settings.
    ProfileFile file(name);
    file.writeString(QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("2"));
    QCOMPARE(file.readString(QStringLiteral("DADOS"), QStringLiteral("idioma")), QStringLiteral("2"));
    QCOMPARE(modeOf(name), mode_t(0600));
    QVERIFY(!QFileInfo::exists(exeDir + QStringLiteral("/config.ini")));
}

void TestSettingsLocation::existingUserFileIsUsed()
{
    const QString exeDir = path(QStringLiteral("bin"));
    const QString userDir = path(QStringLiteral("user"));
    QVERIFY(QDir().mkdir(exeDir));
    QVERIFY(QDir().mkdir(userDir));
    putFile(userDir + QStringLiteral("/config.ini"), "[DADOS]\r\nidioma=4\r\n");

    const auto unwritable = [](const QString &) { return false; };
    const QString name = settingsFileNameFor(exeDir, userDir, unwritable);
    QCOMPARE(name, userDir + QStringLiteral("/config.ini"));
    QCOMPARE(ProfileFile(name).readString(QStringLiteral("DADOS"), QStringLiteral("idioma")), QStringLiteral("4"));
    QVERIFY(QDir(exeDir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void TestSettingsLocation::folderWritability_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("writable");
    QTest::addRow("folder") << QStringLiteral("folder") << true;
    QTest::addRow("folder without write permission") << QStringLiteral("locked") << false;
    QTest::addRow("missing folder") << QStringLiteral("missing") << false;
    QTest::addRow("a file") << QStringLiteral("file") << false;
}

void TestSettingsLocation::folderWritability()
{
    QFETCH(QString, setup);
    QFETCH(bool, writable);
    const QString folder = path(QStringLiteral("probe"));
    if (setup == QLatin1String("folder") || setup == QLatin1String("locked"))
        QVERIFY(QDir().mkdir(folder));
    if (setup == QLatin1String("locked"))
        QVERIFY(chmodPath(folder, 0555));
    if (setup == QLatin1String("file"))
        putFile(folder, "x");
    auto unlock = qScopeGuard([&] { chmodPath(folder, 0755); });

    PermissionScope scope;
    QVERIFY(scope.permissionsBind());
    QCOMPARE(folderIsWritable(folder), writable);
    if (QFileInfo(folder).isDir())
        QVERIFY(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void TestSettingsLocation::runningExecutableFolder()
{
    // The test program's own folder (the build tree) can be written.
    QCOMPARE(settingsFileName(), QCoreApplication::applicationDirPath() + QStringLiteral("/config.ini"));
}

void TestSettingsLocation::savedApiKey_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file
    QTest::addColumn<QString>("key");
    QTest::addRow("saved") << QByteArray("[DADOS]\r\nidioma=0\r\nchaveapigoogle=AIzaFake\r\n") << QStringLiteral("AIzaFake");
    QTest::addRow("quoted with blanks") << QByteArray("[dados]\r\nChaveApiGoogle = \"AIzaFake\" \r\n") << QStringLiteral("AIzaFake");
    QTest::addRow("other section") << QByteArray("[OUTRO]\r\nchaveapigoogle=AIzaFake\r\n") << QString();
    QTest::addRow("no key") << QByteArray("[DADOS]\r\nidioma=0\r\n") << QString();
    QTest::addRow("no file") << QByteArray() << QString();
}

void TestSettingsLocation::savedApiKey()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    const QString name = path(QStringLiteral("config.ini"));
    if (!file.isNull())
        putFile(name, file);
    QCOMPARE(trajetix::savedApiKey(name), key);
}

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "test_settingslocation.moc"
