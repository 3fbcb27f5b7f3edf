#include <QtTest>

#include "i18n/Messages.h"
#include "i18n/Texts.h"

using namespace trajetix;

class TestTexts : public QObject {
    Q_OBJECT
private slots:
    void everyLanguageIsComplete_data();
    void everyLanguageIsComplete();
    void textsKeepTheirBlanks_data();
    void textsKeepTheirBlanks();
    void kindTitlesStayEnglish();
};

void TestTexts::everyLanguageIsComplete_data()
{
    QTest::addColumn<int>("language");
    for (int i = 0; i < LanguageCount; ++i)
        QTest::addRow("%d", i) << i;
}

void TestTexts::everyLanguageIsComplete()
{
    QFETCH(int, language);
    const MessageSlots &m = messageSlots(language);
    const QString all[] = {m.msglblKeyApi, m.msglblTotalLinhas, m.msgdlgbtnArquivoEnderecos,
                           m.msgdlgbtnArquivoEnderecosErro, m.msgBrowseFolder,
                           m.msgbtnDiretorioDestinoNomeArquivoFinal, m.msgdlgbtnProcessar,
                           m.msgdlgbtnProcessarErro1, m.msgdlgbtnProcessarErro2, m.msgdlgbtnProcessarErroArg1,
                           m.msgdlgbtnProcessarErroArq2, m.msgdlgbtnProcessarErroArg3,
                           m.msgdlgbtnProcessarSucesso, m.msgcmbxModo};
    for (const QString &text : all)
        QVERIFY(!text.trimmed().isEmpty());
    // The marker of the result-file name lives in two slots that must agree.
    QCOMPARE(m.msgcmbxModo, m.msgbtnDiretorioDestinoNomeArquivoFinal);
    QCOMPARE(travelModeNames(language).size(), 3);
    QCOMPARE(languageNames(language).size(), LanguageCount);

    const QList<ControlText> &controls = controlTexts(language);
    QCOMPARE(controls.size(), 23);
    QString routesTab, processButton;
    for (const ControlText &c : controls) {
        QVERIFY2(!c.text.isEmpty(), c.objectName);
        if (qstrcmp(c.objectName, "tbshtRoteamento") == 0)
            routesTab = c.text;
        if (qstrcmp(c.objectName, "btbtnProcessar") == 0)
            processButton = c.text;
    }
    // The routes tab and the process button always say the same.
    QCOMPARE(processButton, routesTab);
}

void TestTexts::textsKeepTheirBlanks_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    QTest::addRow("pt key warning") << messageSlots(Portuguese).msglblKeyApi
                                    << QStringLiteral(" Necessário informar a sua chave da API ");
    QTest::addRow("en key warning") << messageSlots(English).msglblKeyApi
                                    << QStringLiteral(" You need to enter your API key ");
    QTest::addRow("zh count words") << messageSlots(Chinese).msglblTotalLinhas << QStringLiteral(" 待处理地址 ");
    QTest::addRow("zh marker") << messageSlots(Chinese).msgcmbxModo << QStringLiteral("- 处理 -");
    QTest::addRow("es marker") << messageSlots(Spanish).msgbtnDiretorioDestinoNomeArquivoFinal
                               << QStringLiteral("-Procesada-");
    QTest::addRow("fr not found") << messageSlots(French).msgdlgbtnProcessarErroArg1 << QStringLiteral("PAS TROUVÉ");
    QTest::addRow("de success") << messageSlots(German).msgdlgbtnProcessarSucesso
                                << QStringLiteral("Verarbeitung ERFOLGREICH abgeschlossen.");
    QTest::addRow("pt description double blanks")
        << controlTexts(Portuguese).at(15).text
        << QStringLiteral("Programa  que estima tempo e quilometragem  entre endereços.");
    QTest::addRow("de language list") << languageNames(German).join(QLatin1Char('|'))
                                      << QStringLiteral("Portugiesisch|Englisch|Spanisch|Deutsch|Französisch|"
                                                        "Ukrainisch|Chinesisch");
    QTest::addRow("uk modes") << travelModeNames(Ukrainian).join(QLatin1Char('|'))
                              << QStringLiteral("водіння|Прогулянка|Велосипед");
}

void TestTexts::textsKeepTheirBlanks()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestTexts::kindTitlesStayEnglish()
{
    QCOMPARE(messageKindTitle(MessageKind::Warning), QStringLiteral("Warning"));
    QCOMPARE(messageKindTitle(MessageKind::Error), QStringLiteral("Error"));
    QCOMPARE(messageKindTitle(MessageKind::Information), QStringLiteral("Information"));
}

QTEST_GUILESS_MAIN(TestTexts)
#include "test_texts.moc"
