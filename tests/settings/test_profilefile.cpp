#include <QtTest>

#include "settings/ProfileFile.h"

#include "PermissionScope.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace trajetix;

namespace {

QByteArray utf16(const QString &text, bool littleEndian)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const char low = char(c.unicode() & 0xFF);
        const char high = char(c.unicode() >> 8);
        if (littleEndian)
            bytes.append(low).append(high);
        else
            bytes.append(high).append(low);
    }
    return bytes;
}

QByteArray utf16le(const QString &text)
{
    return QByteArray("\xFF\xFE") + utf16(text, true);
}

QByteArray utf16be(const QString &text)
{
    return QByteArray("\xFE\xFF") + utf16(text, false);
}

QByteArray fileBytes(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

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

ino_t inodeOf(const QString &name)
{
    struct stat st {};
    if (::stat(QFile::encodeName(name).constData(), &st) != 0)
        return 0;
    return st.st_ino;
}

QString writeError(ProfileFile &file, const QString &section, const QString &key, const QString &value)
{
    try {
        file.writeString(section, key, value);
    } catch (const SettingsError &error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT
private slots:
    void init();

    void readsValues_data();
    void readsValues();
    void readsDefaultWithoutFile();

    void writesValues_data();
    void writesValues();
    void writesFiveKeysInOrder();
    void rejectsInvalidNames_data();
    void rejectsInvalidNames();

    void readOnlyFileIsReportedAndKept();
    void missingFolderIsReported();
    void folderNameIsReported();
    void relativeNameIsReportedInFull();

    void createdFileIsOwnerOnly();
    void keepsPermissionsAndLeavesNoTempFile();
    void symbolicLinkStaysLink();
    void hardLinksStayLinked();
    void rewritesInPlaceWhenFolderIsReadOnly();
    void unwritableFolderWithoutFileIsReported();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void TestProfileFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestProfileFile::readsValues_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QString dados = QStringLiteral("DADOS");
    const QString idioma = QStringLiteral("idioma");
    const QString chave = QStringLiteral("chaveapigoogle");
    const QString none = QStringLiteral("<default>");

    QTest::addRow("plain") << QByteArray("[DADOS]\r\nidioma=1\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("section in other case") << QByteArray("[dados]\r\nidioma=1\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("key in other case") << QByteArray("[DADOS]\r\nIdIoMa=1\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("caller asks in other case") << QByteArray("[DADOS]\r\nidioma=1\r\n") << QStringLiteral("Dados") << QStringLiteral("IDIOMA") << QStringLiteral("1");
    QTest::addRow("blanks and tabs around value") << QByteArray("[DADOS]\r\nidioma= \t 1 \t \r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("blanks around key and equals") << QByteArray("[DADOS]\r\n \t idioma \t= 1\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("inner blanks kept") << QByteArray("[DADOS]\r\nchaveapigoogle= a \t b \r\n") << dados << chave << QStringLiteral("a \t b");
    QTest::addRow("blanks around section line") << QByteArray("  [DADOS]  \r\nidioma=1\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("blanks inside brackets") << QByteArray("[ DADOS ]\r\nidioma=1\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("text after bracket") << QByteArray("[DADOS] ; mine\r\nidioma=1\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("double quotes removed") << QByteArray("[DADOS]\r\nchaveapigoogle=\"a b\"\r\n") << dados << chave << QStringLiteral("a b");
    QTest::addRow("single quotes removed") << QByteArray("[DADOS]\r\nchaveapigoogle='a b'\r\n") << dados << chave << QStringLiteral("a b");
    QTest::addRow("quotes inside blanks") << QByteArray("[DADOS]\r\nchaveapigoogle=  \" a \"  \r\n") << dados << chave << QStringLiteral(" a ");
    QTest::addRow("only one pair removed") << QByteArray("[DADOS]\r\nchaveapigoogle=\"\"a\"\"\r\n") << dados << chave << QStringLiteral("\"a\"");
    QTest::addRow("quote pair alone") << QByteArray("[DADOS]\r\nchaveapigoogle=''\r\n") << dados << chave << QString();
    QTest::addRow("mixed quotes kept") << QByteArray("[DADOS]\r\nchaveapigoogle=\"a'\r\n") << dados << chave << QStringLiteral("\"a'");
    QTest::addRow("opening quote only kept") << QByteArray("[DADOS]\r\nchaveapigoogle=\"a\r\n") << dados << chave << QStringLiteral("\"a");
    QTest::addRow("single quote character kept") << QByteArray("[DADOS]\r\nchaveapigoogle=\"\r\n") << dados << chave << QStringLiteral("\"");
    QTest::addRow("inner quotes kept") << QByteArray("[DADOS]\r\nchaveapigoogle=a\"b\"\r\n") << dados << chave << QStringLiteral("a\"b\"");
    QTest::addRow("empty value") << QByteArray("[DADOS]\r\nidioma=\r\n") << dados << idioma << QString();
    QTest::addRow("equals in value") << QByteArray("[DADOS]\r\nchaveapigoogle=a=b\r\n") << dados << chave << QStringLiteral("a=b");
    QTest::addRow("semicolon in value") << QByteArray("[DADOS]\r\nchaveapigoogle=a ; b\r\n") << dados << chave << QStringLiteral("a ; b");
    QTest::addRow("backslashes and commas") << QByteArray("[DADOS]\r\ncaminhoenderecos=C:\\a,b\\\r\n") << dados << QStringLiteral("caminhoenderecos") << QStringLiteral("C:\\a,b\\");
    QTest::addRow("missing key") << QByteArray("[DADOS]\r\nidioma=1\r\n") << dados << chave << none;
    QTest::addRow("missing section") << QByteArray("[OUTRO]\r\nidioma=1\r\n") << dados << idioma << none;
    QTest::addRow("key of next section") << QByteArray("[DADOS]\r\n[OUTRO]\r\nidioma=1\r\n") << dados << idioma << none;
    QTest::addRow("key before any section") << QByteArray("idioma=1\r\n[DADOS]\r\n") << dados << idioma << none;
    QTest::addRow("other section first") << QByteArray("[OUTRO]\r\nidioma=9\r\n[DADOS]\r\nidioma=1\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("first of two keys") << QByteArray("[DADOS]\r\nidioma=1\r\nidioma=2\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("first of two sections") << QByteArray("[DADOS]\r\nidioma=1\r\n[DADOS]\r\nidioma=2\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("comment is no key") << QByteArray("[DADOS]\r\n;idioma=5\r\n  ; idioma=6\r\n") << dados << idioma << none;
    QTest::addRow("comment before key") << QByteArray("[DADOS]\r\n;idioma=5\r\nidioma=1\r\n") << dados << idioma << QStringLiteral("1");
    QTest::addRow("line without equals") << QByteArray("[DADOS]\r\nidioma\r\n") << dados << idioma << none;
    QTest::addRow("bare line feeds") << QByteArray("[DADOS]\nidioma=1\nchaveapigoogle=k\n") << dados << chave << QStringLiteral("k");
    QTest::addRow("no final line break") << QByteArray("[DADOS]\r\nidioma=1") << dados << idioma << QStringLiteral("1");
    QTest::addRow("final carriage return alone") << QByteArray("[DADOS]\r\nidioma=1\r") << dados << idioma << QStringLiteral("1");
    QTest::addRow("utf-16 final carriage return alone") << utf16le(QStringLiteral("[DADOS]\r\nidioma=1\r")) << dados << idioma << QStringLiteral("1");
    QTest::addRow("windows-1252 bytes") << QByteArray("[DADOS]\r\naparencia=S\xe3o \x80\r\n") << dados << QStringLiteral("aparencia") << QStringLiteral("São €");
    QTest::addRow("utf-16 le") << utf16le(QStringLiteral("[DADOS]\r\naparencia=São 北京\r\n")) << dados << QStringLiteral("aparencia") << QStringLiteral("São 北京");
    QTest::addRow("utf-16 le quotes and blanks") << utf16le(QStringLiteral("[dados]\r\n  Idioma = \"2\" \r\n")) << dados << idioma << QStringLiteral("2");
    QTest::addRow("utf-16 be") << utf16be(QStringLiteral("[DADOS]\r\naparencia=São\r\n")) << dados << QStringLiteral("aparencia") << QStringLiteral("São");
    QTest::addRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF[DADOS]\r\naparencia=S\xC3\xA3o\r\n") << dados << QStringLiteral("aparencia") << QStringLiteral("São");
    QTest::addRow("utf-8 without mark is code page") << QByteArray("[DADOS]\r\naparencia=S\xC3\xA3o\r\n") << dados << QStringLiteral("aparencia") << QStringLiteral("SÃ£o");

    const QString longest(2047, u'a');
    QTest::addRow("2047 characters kept") << QByteArray("[DADOS]\r\nchaveapigoogle=" + longest.toLatin1() + "\r\n") << dados << chave << longest;
    QTest::addRow("2048 characters cut") << QByteArray("[DADOS]\r\nchaveapigoogle=" + longest.toLatin1() + "b\r\n") << dados << chave << longest;
    QTest::addRow("far longer cut") << QByteArray("[DADOS]\r\nchaveapigoogle=" + longest.toLatin1() + QByteArray(5000, 'b') + "\r\n") << dados << chave << longest;
    QTest::addRow("quotes removed before cut") << QByteArray("[DADOS]\r\nchaveapigoogle=\"" + longest.toLatin1() + "\"\r\n") << dados << chave << longest;
    QTest::addRow("cut in utf-16 file") << utf16le(QStringLiteral("[DADOS]\r\nchaveapigoogle=") + longest + QStringLiteral("北\r\n")) << dados << chave << longest;
    QTest::addRow("cut never splits a surrogate pair") << utf16le(QStringLiteral("[DADOS]\r\nchaveapigoogle=") + QString(2046, u'a') + QStringLiteral("\U0001F600\r\n")) << dados << chave << QString(2046, u'a');
}

void TestProfileFile::readsValues()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    const QString name = path(QStringLiteral("config.ini"));
    putFile(name, file);
    QCOMPARE(ProfileFile(name).readString(section, key, QStringLiteral("<default>")), value);
    QCOMPARE(fileBytes(name), file);
}

void TestProfileFile::readsDefaultWithoutFile()
{
    const ProfileFile file(path(QStringLiteral("config.ini")));
    QCOMPARE(file.readString(QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("x")), QStringLiteral("x"));
    QCOMPARE(file.readString(QStringLiteral("DADOS"), QStringLiteral("idioma")), QString());
    QVERIFY(!QFile::exists(file.fileName()));
}

void TestProfileFile::writesValues_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QString idioma = QStringLiteral("idioma");
    const QString chave = QStringLiteral("chaveapigoogle");

    QTest::addRow("new file") << QByteArray() << idioma << QStringLiteral("1")
                              << QByteArray("[DADOS]\r\nidioma=1\r\n");
    QTest::addRow("empty file") << QByteArray("") << idioma << QStringLiteral("1")
                                << QByteArray("[DADOS]\r\nidioma=1\r\n");
    QTest::addRow("missing section added at end")
        << QByteArray("; mine\r\n[OUTRO]\r\nx = 1\r\n") << idioma << QStringLiteral("1")
        << QByteArray("; mine\r\n[OUTRO]\r\nx = 1\r\n[DADOS]\r\nidioma=1\r\n");
    QTest::addRow("missing section after unterminated line")
        << QByteArray("[OUTRO]\r\nx=1") << idioma << QStringLiteral("1")
        << QByteArray("[OUTRO]\r\nx=1\r\n[DADOS]\r\nidioma=1\r\n");
    QTest::addRow("missing section after bare line feed")
        << QByteArray("[OUTRO]\nx=1\n") << idioma << QStringLiteral("1")
        << QByteArray("[OUTRO]\nx=1\n[DADOS]\r\nidioma=1\r\n");
    QTest::addRow("lines before first section kept")
        << QByteArray("stray=1\r\n\r\n") << idioma << QStringLiteral("1")
        << QByteArray("stray=1\r\n\r\n[DADOS]\r\nidioma=1\r\n");
    QTest::addRow("missing key after last key")
        << QByteArray("[DADOS]\r\nmododeslocamento=0\r\n\r\n[OUTRO]\r\nb=2\r\n") << idioma << QStringLiteral("1")
        << QByteArray("[DADOS]\r\nmododeslocamento=0\r\nidioma=1\r\n\r\n[OUTRO]\r\nb=2\r\n");
    QTest::addRow("missing key before closing comment")
        << QByteArray("[DADOS]\r\na=0\r\n; the next section\r\n[OUTRO]\r\n") << idioma << QStringLiteral("1")
        << QByteArray("[DADOS]\r\na=0\r\nidioma=1\r\n; the next section\r\n[OUTRO]\r\n");
    QTest::addRow("missing key in section line only")
        << QByteArray("[DADOS]\r\n[OUTRO]\r\nidioma=9\r\n") << idioma << QStringLiteral("1")
        << QByteArray("[DADOS]\r\nidioma=1\r\n[OUTRO]\r\nidioma=9\r\n");
    QTest::addRow("missing key, section line unterminated")
        << QByteArray("[DADOS]") << idioma << QStringLiteral("1")
        << QByteArray("[DADOS]\r\nidioma=1\r\n");
    QTest::addRow("missing key, last line ends in carriage return")
        << QByteArray("[DADOS]\r\na=0\r") << idioma << QStringLiteral("1")
        << QByteArray("[DADOS]\r\na=0\r\nidioma=1\r\n");
    QTest::addRow("utf-16 le missing key, last line ends in carriage return")
        << utf16le(QStringLiteral("[DADOS]\r\na=0\r")) << idioma << QStringLiteral("1")
        << utf16le(QStringLiteral("[DADOS]\r\na=0\r\nidioma=1\r\n"));
    QTest::addRow("missing key, last line unterminated")
        << QByteArray("[DADOS]\r\na=0") << idioma << QStringLiteral("1")
        << QByteArray("[DADOS]\r\na=0\r\nidioma=1\r\n");
    QTest::addRow("missing key, comment looking like it")
        << QByteArray("[DADOS]\r\n;idioma=9\r\n") << idioma << QStringLiteral("1")
        << QByteArray("[DADOS]\r\nidioma=1\r\n;idioma=9\r\n");
    QTest::addRow("section found in other case")
        << QByteArray("[dados]\r\na=0\r\n") << idioma << QStringLiteral("1")
        << QByteArray("[dados]\r\na=0\r\nidioma=1\r\n");
    QTest::addRow("value replaced, other lines kept")
        << QByteArray("; top\r\n[OUTRO]\r\nidioma=9\r\n\r\n[DADOS]\r\nmododeslocamento=2\r\nidioma=0\r\naparencia=Windows\r\n")
        << idioma << QStringLiteral("3")
        << QByteArray("; top\r\n[OUTRO]\r\nidioma=9\r\n\r\n[DADOS]\r\nmododeslocamento=2\r\nidioma=3\r\naparencia=Windows\r\n");
    QTest::addRow("replaced key keeps its spelling")
        << QByteArray("[DADOS]\r\n  IDIOMA \t= 0 \r\n") << idioma << QStringLiteral("3")
        << QByteArray("[DADOS]\r\nIDIOMA=3\r\n");
    QTest::addRow("replaced line gets CR LF, others keep LF")
        << QByteArray("[DADOS]\nidioma=0\nx=1\n") << idioma << QStringLiteral("3")
        << QByteArray("[DADOS]\nidioma=3\r\nx=1\n");
    QTest::addRow("unterminated key line replaced")
        << QByteArray("[DADOS]\r\nidioma=0") << idioma << QStringLiteral("3")
        << QByteArray("[DADOS]\r\nidioma=3\r\n");
    QTest::addRow("first of two keys replaced")
        << QByteArray("[DADOS]\r\nidioma=0\r\nidioma=5\r\n") << idioma << QStringLiteral("3")
        << QByteArray("[DADOS]\r\nidioma=3\r\nidioma=5\r\n");
    QTest::addRow("first of two sections used")
        << QByteArray("[DADOS]\r\na=1\r\n[DADOS]\r\nb=2\r\n") << idioma << QStringLiteral("3")
        << QByteArray("[DADOS]\r\na=1\r\nidioma=3\r\n[DADOS]\r\nb=2\r\n");
    QTest::addRow("empty value") << QByteArray("[DADOS]\r\nidioma=0\r\n") << idioma << QString()
                                 << QByteArray("[DADOS]\r\nidioma=\r\n");
    QTest::addRow("empty value, new key") << QByteArray() << chave << QString()
                                          << QByteArray("[DADOS]\r\nchaveapigoogle=\r\n");
    QTest::addRow("value written unchanged") << QByteArray() << chave << QStringLiteral("  \"a b\"\t")
                                             << QByteArray("[DADOS]\r\nchaveapigoogle=  \"a b\"\t\r\n");
    QTest::addRow("line breaks in value become blanks") << QByteArray() << chave << QStringLiteral("a\r\nb\nc\r[X]")
                                                        << QByteArray("[DADOS]\r\nchaveapigoogle=a  b c [X]\r\n");
    QTest::addRow("windows-1252 value") << QByteArray() << QStringLiteral("caminhoenderecos") << QStringLiteral("C:\\São João €")
                                        << QByteArray("[DADOS]\r\ncaminhoenderecos=C:\\S\xe3o Jo\xe3o \x80\r\n");
    QTest::addRow("characters outside windows-1252") << QByteArray() << chave << QStringLiteral("Łódź 北京")
                                                     << QByteArray("[DADOS]\r\nchaveapigoogle=L\xf3" "dz ??\r\n");
    QTest::addRow("code page bytes elsewhere kept")
        << QByteArray("[X]\r\nk=\xe3\x81\x8d\xff\r\n[DADOS]\r\nidioma=0\r\n") << idioma << QStringLiteral("1")
        << QByteArray("[X]\r\nk=\xe3\x81\x8d\xff\r\n[DADOS]\r\nidioma=1\r\n");
    QTest::addRow("utf-16 le missing key")
        << utf16le(QStringLiteral("[DADOS]\r\nidioma=0\r\n")) << QStringLiteral("aparencia") << QStringLiteral("北京 São")
        << utf16le(QStringLiteral("[DADOS]\r\nidioma=0\r\naparencia=北京 São\r\n"));
    QTest::addRow("utf-16 le replaced")
        << utf16le(QStringLiteral("; €\r\n[DADOS]\nidioma=0\n")) << idioma << QStringLiteral("6")
        << utf16le(QStringLiteral("; €\r\n[DADOS]\nidioma=6\r\n"));
    QTest::addRow("utf-16 le missing section")
        << utf16le(QStringLiteral("[OUTRO]\r\nx=1")) << idioma << QStringLiteral("1")
        << utf16le(QStringLiteral("[OUTRO]\r\nx=1\r\n[DADOS]\r\nidioma=1\r\n"));
    QTest::addRow("utf-16 le missing section after half a character")
        << utf16le(QStringLiteral("[OUTRO]\r\nx=1")) + 'A' << idioma << QStringLiteral("1")
        << utf16le(QStringLiteral("[OUTRO]\r\nx=1\r\n[DADOS]\r\nidioma=1\r\n"));
    QTest::addRow("utf-16 be missing key after half a character")
        << utf16be(QStringLiteral("[DADOS]\r\na=0\r")) + 'A' << idioma << QStringLiteral("1")
        << utf16be(QStringLiteral("[DADOS]\r\na=0\r\nidioma=1\r\n"));
    QTest::addRow("utf-16 le mark only")
        << utf16le(QString()) << idioma << QStringLiteral("1")
        << utf16le(QStringLiteral("[DADOS]\r\nidioma=1\r\n"));
    QTest::addRow("utf-16 le emoji value")
        << utf16le(QStringLiteral("[DADOS]\r\n")) << chave << QStringLiteral("a\U0001F600")
        << utf16le(QStringLiteral("[DADOS]\r\nchaveapigoogle=a\U0001F600\r\n"));
    QTest::addRow("utf-16 be stays utf-16 be")
        << utf16be(QStringLiteral("[DADOS]\r\nidioma=0\r\n")) << idioma << QStringLiteral("北")
        << utf16be(QStringLiteral("[DADOS]\r\nidioma=北\r\n"));
    QTest::addRow("utf-8 mark stays utf-8")
        << QByteArray("\xEF\xBB\xBF[DADOS]\r\nidioma=0\r\n") << QStringLiteral("aparencia") << QStringLiteral("São 北")
        << QByteArray("\xEF\xBB\xBF[DADOS]\r\nidioma=0\r\naparencia=S\xC3\xA3o \xE5\x8C\x97\r\n");
}

void TestProfileFile::writesValues()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    const QString name = path(QStringLiteral("config.ini"));
    if (!before.isNull())
        putFile(name, before);
    ProfileFile file(name);
    file.writeString(QStringLiteral("DADOS"), key, value);
    QCOMPARE(fileBytes(name), after);
}

void TestProfileFile::writesFiveKeysInOrder()
{
    const QString name = path(QStringLiteral("config.ini"));
    ProfileFile file(name);
    const QList<QPair<QString, QString>> keys = {
        {QStringLiteral("caminhoenderecos"), QStringLiteral("/home/ana/endereços")},
        {QStringLiteral("mododeslocamento"), QStringLiteral("2")},
        {QStringLiteral("chaveapigoogle"), QStringLiteral("AIzaFakeKey-for-tests")},
        {QStringLiteral("idioma"), QStringLiteral("0")},
        {QStringLiteral("aparencia"), QStringLiteral("Windows")},
    };
    QByteArray expected("[DADOS]\r\n");
    for (const auto &[key, value] : keys) {
        file.writeString(QStringLiteral("DADOS"), key, value);
        // Each write is in the file when the call returns.
        expected += (key + u'=' + value).toLatin1() + "\r\n";
        QCOMPARE(fileBytes(name), expected);
    }
    QCOMPARE(expected, QByteArray("[DADOS]\r\ncaminhoenderecos=/home/ana/endere\xe7os\r\nmododeslocamento=2\r\n"
                                  "chaveapigoogle=AIzaFakeKey-for-tests\r\nidioma=0\r\naparencia=Windows\r\n"));

    // A second close writes the same keys again: same file.
    for (const auto &[key, value] : keys)
        file.writeString(QStringLiteral("DADOS"), key, value);
    QCOMPARE(fileBytes(name), expected);
    for (const auto &[key, value] : keys)
        QCOMPARE(file.readString(QStringLiteral("DADOS"), key), value);
}

void TestProfileFile::rejectsInvalidNames_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    const QString dados = QStringLiteral("DADOS");
    const QString idioma = QStringLiteral("idioma");
    QTest::addRow("empty section") << QString() << idioma;
    QTest::addRow("empty key") << dados << QString();
    QTest::addRow("line break in section") << QStringLiteral("A\r\nB") << idioma;
    QTest::addRow("line break in key") << dados << QStringLiteral("a\nb");
    QTest::addRow("equals in key") << dados << QStringLiteral("a=b");
    QTest::addRow("key as comment") << dados << QStringLiteral(";a");
    QTest::addRow("key as section") << dados << QStringLiteral("[a]");
    QTest::addRow("blank around key") << dados << QStringLiteral(" a");
    QTest::addRow("blank around section") << QStringLiteral("DADOS\t") << idioma;
}

void TestProfileFile::rejectsInvalidNames()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    const QString name = path(QStringLiteral("config.ini"));
    const QByteArray before("[DADOS]\r\nidioma=0\r\n");
    putFile(name, before);
    ProfileFile file(name);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, file.writeString(section, key, QStringLiteral("1")));
    QCOMPARE(fileBytes(name), before);
}

void TestProfileFile::readOnlyFileIsReportedAndKept()
{
    const QString name = path(QStringLiteral("config.ini"));
    const QByteArray before("[DADOS]\r\nchaveapigoogle=old\r\n");
    putFile(name, before);
    QVERIFY(QFile::setPermissions(name, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    // Refused as marked read-only whoever runs it, root included.
    ProfileFile file(name);
    const QString secret = QStringLiteral("AIzaNewFakeKey");
    const QString message = writeError(file, QStringLiteral("DADOS"), QStringLiteral("chaveapigoogle"), secret);
    QCOMPARE(message, QStringLiteral("Unable to write to ") + name);
    QVERIFY(!message.contains(secret));
    QCOMPARE(fileBytes(name), before);
    QCOMPARE(modeOf(name), mode_t(0444));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("config.ini")});

    // Every later attempt fails the same way.
    QCOMPARE(writeError(file, QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("1")), message);
    QCOMPARE(fileBytes(name), before);
}

void TestProfileFile::missingFolderIsReported()
{
    const QString name = path(QStringLiteral("missing/config.ini"));
    ProfileFile file(name);
    QCOMPARE(writeError(file, QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("1")),
             QStringLiteral("Unable to write to ") + name);
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("missing"))));

    // A "folder" that is a file.
    putFile(path(QStringLiteral("plain")), "x");
    ProfileFile underFile(path(QStringLiteral("plain/config.ini")));
    QCOMPARE(writeError(underFile, QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("1")),
             QStringLiteral("Unable to write to ") + path(QStringLiteral("plain/config.ini")));
    QCOMPARE(fileBytes(path(QStringLiteral("plain"))), QByteArray("x"));
}

void TestProfileFile::folderNameIsReported()
{
    const QString name = path(QStringLiteral("config.ini"));
    QVERIFY(QDir().mkdir(name));
    ProfileFile file(name);
    QCOMPARE(writeError(file, QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("1")),
             QStringLiteral("Unable to write to ") + name);
    QVERIFY(QFileInfo(name).isDir());
    QCOMPARE(file.readString(QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("d")), QStringLiteral("d"));
}

void TestProfileFile::relativeNameIsReportedInFull()
{
    const QString previous = QDir::currentPath();
    auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });
    QVERIFY(QDir::setCurrent(m_dir->path()));

    ProfileFile file(QStringLiteral("missing/config.ini"));
    QCOMPARE(writeError(file, QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("1")),
             QStringLiteral("Unable to write to ") + QDir(m_dir->path()).absoluteFilePath(QStringLiteral("missing/config.ini")));

    ProfileFile here(QStringLiteral("config.ini"));
    here.writeString(QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("1"));
    QCOMPARE(fileBytes(path(QStringLiteral("config.ini"))), QByteArray("[DADOS]\r\nidioma=1\r\n"));
}

void TestProfileFile::createdFileIsOwnerOnly()
{
    const mode_t previous = ::umask(0);
    auto restore = qScopeGuard([&] { ::umask(previous); });

    const QString name = path(QStringLiteral("config.ini"));
    ProfileFile file(name);
    file.writeString(QStringLiteral("DADOS"), QStringLiteral("chaveapigoogle"), QStringLiteral("AIzaFake"));
    QCOMPARE(modeOf(name), mode_t(0600));
    file.writeString(QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("1"));
    QCOMPARE(modeOf(name), mode_t(0600));
}

void TestProfileFile::keepsPermissionsAndLeavesNoTempFile()
{
    const QString name = path(QStringLiteral("config.ini"));
    putFile(name, "[DADOS]\r\nidioma=0\r\n");
    QVERIFY(::chmod(QFile::encodeName(name).constData(), 0640) == 0);

    ProfileFile file(name);
    file.writeString(QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("1"));
    file.writeString(QStringLiteral("DADOS"), QStringLiteral("aparencia"), QStringLiteral("Windows"));
    QCOMPARE(fileBytes(name), QByteArray("[DADOS]\r\nidioma=1\r\naparencia=Windows\r\n"));
    QCOMPARE(modeOf(name), mode_t(0640));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("config.ini")});
}

void TestProfileFile::symbolicLinkStaysLink()
{
    QVERIFY(QDir().mkdir(path(QStringLiteral("real"))));
    const QString target = path(QStringLiteral("real/settings.ini"));
    const QString link = path(QStringLiteral("config.ini"));
    putFile(target, "[DADOS]\r\nidioma=0\r\n");
    QVERIFY(QFile::link(target, link));

    ProfileFile file(link);
    file.writeString(QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("2"));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(fileBytes(target), QByteArray("[DADOS]\r\nidioma=2\r\n"));
    QCOMPARE(file.readString(QStringLiteral("DADOS"), QStringLiteral("idioma")), QStringLiteral("2"));
}

void TestProfileFile::hardLinksStayLinked()
{
    const QString name = path(QStringLiteral("config.ini"));
    const QString other = path(QStringLiteral("other.ini"));
    putFile(name, "[DADOS]\r\nidioma=0\r\n");
    QVERIFY(::link(QFile::encodeName(name).constData(), QFile::encodeName(other).constData()) == 0);

    ProfileFile file(name);
    file.writeString(QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("2"));
    QCOMPARE(fileBytes(name), QByteArray("[DADOS]\r\nidioma=2\r\n"));
    QCOMPARE(fileBytes(other), QByteArray("[DADOS]\r\nidioma=2\r\n"));
}

void TestProfileFile::rewritesInPlaceWhenFolderIsReadOnly()
{
    QVERIFY(QDir().mkdir(path(QStringLiteral("locked"))));
    const QString folder = path(QStringLiteral("locked"));
    const QString name = path(QStringLiteral("locked/config.ini"));
    const QByteArray longValue(300, 'k');
    putFile(name, "; kept\r\n[DADOS]\r\nchaveapigoogle=" + longValue + "\r\nidioma=0\r\n");
    QVERIFY(::chmod(QFile::encodeName(name).constData(), 0644) == 0);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    auto unlock = qScopeGuard([&] { ::chmod(QFile::encodeName(folder).constData(), 0755); });

    const ino_t inode = inodeOf(name);
    {
        PermissionScope scope;
        QVERIFY(scope.permissionsBind());
        ProfileFile file(name);
        // Shorter: the rest of the old content must not remain.
        file.writeString(QStringLiteral("DADOS"), QStringLiteral("chaveapigoogle"), QStringLiteral("short"));
        QCOMPARE(fileBytes(name), QByteArray("; kept\r\n[DADOS]\r\nchaveapigoogle=short\r\nidioma=0\r\n"));
        // Longer.
        file.writeString(QStringLiteral("DADOS"), QStringLiteral("aparencia"), QStringLiteral("Amethyst Kamri"));
        QCOMPARE(fileBytes(name), QByteArray("; kept\r\n[DADOS]\r\nchaveapigoogle=short\r\nidioma=0\r\naparencia=Amethyst Kamri\r\n"));
    }
    QCOMPARE(modeOf(name), mode_t(0644));
    QCOMPARE(inodeOf(name), inode); // rewritten, not replaced
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("config.ini")});
}

void TestProfileFile::unwritableFolderWithoutFileIsReported()
{
    const QString folder = path(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    auto unlock = qScopeGuard([&] { ::chmod(QFile::encodeName(folder).constData(), 0755); });

    const QString name = folder + QStringLiteral("/config.ini");
    PermissionScope scope;
    QVERIFY(scope.permissionsBind());
    ProfileFile file(name);
    QCOMPARE(writeError(file, QStringLiteral("DADOS"), QStringLiteral("idioma"), QStringLiteral("1")),
             QStringLiteral("Unable to write to ") + name);
    QVERIFY(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "test_profilefile.moc"
