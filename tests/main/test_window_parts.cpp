// The window's small parts on their own: names, the run's input filter, the bars,
// the real message boxes and the address dialog's set-up.
#include <QtTest>

#include <QFileDialog>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include "main/FileNames.h"
#include "main/QtEffects.h"
#include "main/RunInputFilter.h"
#include "main/WindowRunProgress.h"

class TestWindowParts : public QObject {
    Q_OBJECT
  private slots:
    void extension_data();
    void extension();
    void resultBase_data();
    void resultBase();
    void folderOf_data();
    void folderOf();

    void inputIsDroppedDuringARun_data();
    void inputIsDroppedDuringARun();
    void inputReachesTheRunsOwnBox();
    void inputFlowsAgainAfterTheRun();

    void barsRefuseAMaximumBelowOne();
    void barsEmptyBelowTheMinimumAndFillAtTheMaximum();

    void messageBoxLook_data();
    void messageBoxLook();
    void messageBoxClosesWithEnterAndEscape_data();
    void messageBoxClosesWithEnterAndEscape();

    void addressDialogSetUp();
};

void TestWindowParts::extension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("csv");
    QTest::addRow("lower case") << "/d/routes.csv"
                                << ".csv" << true;
    QTest::addRow("upper case") << "/d/routes.CSV"
                                << ".CSV" << true;
    QTest::addRow("mixed case") << "/d/routes.CsV"
                                << ".CsV" << true;
    QTest::addRow("two dots") << "/d/a.b.csv"
                              << ".csv" << true;
    QTest::addRow("only the extension") << "/d/.csv"
                                        << ".csv" << true;
    QTest::addRow("other extension") << "/d/notes.txt"
                                     << ".txt" << false;
    QTest::addRow("no dot") << "/d/routes"
                            << "" << false;
    QTest::addRow("dot in the folder only") << "/d.csv/routes"
                                            << "" << false;
    QTest::addRow("longer extension") << "/d/routes.csvx"
                                      << ".csvx" << false;
}

void TestWindowParts::extension()
{
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QFETCH(bool, csv);
    QCOMPARE(filenames::extension(name), extension);
    QCOMPARE(filenames::hasCsvExtension(name), csv);
}

void TestWindowParts::resultBase_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("base");
    QTest::addRow("routes") << "/d/routes.CSV"
                            << "routes";
    QTest::addRow("two dots") << "/d/a.b.csv"
                              << "a.b";
    QTest::addRow("only the extension") << "/d/.csv"
                                        << "";
    QTest::addRow("shorter than four") << "/d/abc"
                                       << "";
    QTest::addRow("in the root") << "/x.csv"
                                 << "x";
    QTest::addRow("nothing confirmed") << ""
                                       << "";
}

void TestWindowParts::resultBase()
{
    QFETCH(QString, name);
    QFETCH(QString, base);
    QCOMPARE(filenames::resultBase(name), base);
}

void TestWindowParts::folderOf_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    QTest::addRow("subfolder") << "/home/ana/routes.csv"
                               << "/home/ana";
    QTest::addRow("root keeps its separator") << "/routes.csv"
                                              << "/";
    QTest::addRow("no separator") << "routes.csv"
                                  << "";
    QTest::addRow("empty") << ""
                           << "";
}

void TestWindowParts::folderOf()
{
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QCOMPARE(filenames::folderOf(name), folder);
    if (!folder.isEmpty())
        QCOMPARE(filenames::inFolder(folder, QStringLiteral("r.csv")),
                 folder == QLatin1String("/") ? QStringLiteral("//r.csv")
                                              : folder + QStringLiteral("/r.csv"));
}

// ---- The run's input filter -----------------------------------------------------

void TestWindowParts::inputIsDroppedDuringARun_data()
{
    QTest::addColumn<int>("kind");
    QTest::addRow("mouse click") << 0;
    QTest::addRow("key press") << 1;
    QTest::addRow("wheel") << 2;
}

void TestWindowParts::inputIsDroppedDuringARun()
{
    QFETCH(int, kind);
    QWidget window;
    auto *button = new QPushButton(QStringLiteral("Go"), &window);
    button->setGeometry(0, 0, 80, 30);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicks(button, &QPushButton::clicked);

    // A widget that records what reaches it.
    class Recorder : public QObject {
      public:
        int seen = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (RunInputFilter::isUserInput(event->type()))
                ++seen;
            return false;
        }
    } recorder;
    button->installEventFilter(&recorder);

    {
        RunInputBlock block;
        switch (kind) {
        case 0:
            QTest::mouseClick(button, Qt::LeftButton);
            break;
        case 1:
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Space);
            break;
        default: {
            QWheelEvent wheel(QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(button, &wheel);
            break;
        }
        }
        QCoreApplication::processEvents();
    }
    QCOMPARE(recorder.seen, 0);
    QCOMPARE(clicks.count(), 0);
    // Nothing held back either: once the run is over nothing arrives late.
    QCoreApplication::processEvents();
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(recorder.seen, 0);
}

void TestWindowParts::inputReachesTheRunsOwnBox()
{
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    RunInputBlock block;
    std::unique_ptr<QMessageBox> box(makeMessageBox(&window, QMessageBox::Information,
                                                    QStringLiteral("Information"), QStringLiteral("Done")));
    bool answered = false;
    QTimer::singleShot(0, box.get(), [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == box.get()) {
            QTest::keyClick(box.get(), Qt::Key_Return);
            answered = true;
        }
    });
    // Guard the test against hanging if the box never took the key.
    QTimer::singleShot(5000, box.get(), [&] { box->done(-1); });
    const int result = box->exec();
    QVERIFY(answered);
    QVERIFY(result != -1);
}

void TestWindowParts::inputFlowsAgainAfterTheRun()
{
    QWidget window;
    auto *button = new QPushButton(QStringLiteral("Go"), &window);
    button->setGeometry(0, 0, 80, 30);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicks(button, &QPushButton::clicked);
    {
        RunInputBlock block;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
}

// ---- The bars --------------------------------------------------------------

void TestWindowParts::barsRefuseAMaximumBelowOne()
{
    QProgressBar general, current;
    general.setRange(1, 100);
    current.setRange(1, 100);
    WindowRunProgress progress(&general, &current);
    QVERIFY(!progress.setMaximum(trajetix::RunProgress::Bar::General, 0));
    QCOMPARE(general.maximum(), 100);
    QVERIFY(!progress.setMaximum(trajetix::RunProgress::Bar::Current, -5));
    QVERIFY(progress.setMaximum(trajetix::RunProgress::Bar::General, 1));
    QCOMPARE(general.maximum(), 1);
    QVERIFY(progress.setMaximum(trajetix::RunProgress::Bar::Current, 3));
    QCOMPARE(current.maximum(), 3);
    QCOMPARE(general.minimum(), 1);
}

void TestWindowParts::barsEmptyBelowTheMinimumAndFillAtTheMaximum()
{
    QProgressBar general, current;
    general.setRange(1, 100);
    current.setRange(1, 100);
    WindowRunProgress progress(&general, &current);
    progress.setMaximum(trajetix::RunProgress::Bar::General, 4);
    progress.setPosition(trajetix::RunProgress::Bar::General, 3);
    QCOMPARE(general.value(), 3);
    // After the last of four lines the position is five: the bar stands full.
    progress.setPosition(trajetix::RunProgress::Bar::General, 5);
    QCOMPARE(general.value(), 4);
    progress.setPosition(trajetix::RunProgress::Bar::General, 0);
    QVERIFY(general.value() < general.minimum());
    progress.setPosition(trajetix::RunProgress::Bar::Current, 2);
    QCOMPARE(current.value(), 2);
    QCOMPARE(general.value(), general.minimum() - 1);
}

// ---- Message boxes ------------------------------------------------------------

void TestWindowParts::messageBoxLook_data()
{
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::addRow("warning") << int(QMessageBox::Warning) << "Warning";
    QTest::addRow("error") << int(QMessageBox::Critical) << "Error";
    QTest::addRow("information") << int(QMessageBox::Information) << "Information";
    QTest::addRow("escaped error") << int(QMessageBox::Critical) << "Trajetix";
}

void TestWindowParts::messageBoxLook()
{
    QFETCH(int, icon);
    QFETCH(QString, title);
    const QString text = QStringLiteral(" Потрібно ввести ключ API ");
    std::unique_ptr<QMessageBox> box(makeMessageBox(nullptr, QMessageBox::Icon(icon), title, text));
    QCOMPARE(box->windowTitle(), title);
    QCOMPARE(int(box->icon()), icon);
    QCOMPARE(box->text(), text);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->buttons().size(), 1);
    QAbstractButton *ok = box->buttons().first();
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(box->defaultButton(), ok);
    QCOMPARE(box->escapeButton(), ok);
    QCOMPARE(box->windowModality(), Qt::ApplicationModal);
}

void TestWindowParts::messageBoxClosesWithEnterAndEscape_data()
{
    QTest::addColumn<int>("key");
    QTest::addRow("Enter") << int(Qt::Key_Return);
    QTest::addRow("Esc") << int(Qt::Key_Escape);
}

void TestWindowParts::messageBoxClosesWithEnterAndEscape()
{
    QFETCH(int, key);
    std::unique_ptr<QMessageBox> box(
        makeMessageBox(nullptr, QMessageBox::Warning, QStringLiteral("Warning"), QStringLiteral("x")));
    QTimer::singleShot(0, box.get(), [&] { QTest::keyClick(box.get(), Qt::Key(key)); });
    QTimer::singleShot(5000, box.get(), [&] { box->done(-1); });
    box->exec();
    QCOMPARE(box->clickedButton(), box->buttons().first());
}

// ---- The address dialog ------------------------------------------------------

void TestWindowParts::addressDialogSetUp()
{
    QTemporaryDir dir;
    QFileDialog dialog;
    AddressFileDialog::Request request;
    request.initialFolder = dir.path();
    request.fileName = dir.filePath(QStringLiteral("last.csv"));
    request.nativeLook = false;
    QtAddressFileDialog::configure(dialog, request);

    QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFiles);
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog.defaultSuffix(), QStringLiteral("csv"));
    QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
    QVERIFY(dialog.testOption(QFileDialog::HideNameFilterDetails));
    QCOMPARE(QDir(dialog.directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    QCOMPARE(dialog.nameFilters().size(), 1);
    QVERIFY(dialog.nameFilters().first().startsWith(QStringLiteral("Arquivos CSV (")));

    // The pattern takes .csv in any case and nothing else.
    const QString filter = dialog.nameFilters().first();
    const QString pattern = filter.mid(filter.indexOf(QLatin1Char('(')) + 1).chopped(1);
    const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(pattern));
    for (const char *name : {"a.csv", "B.CSV", "c.CsV", ".csv"})
        QVERIFY2(match.match(QLatin1String(name)).hasMatch(), name);
    for (const char *name : {"a.txt", "a.csv.bak", "csv"})
        QVERIFY2(!match.match(QLatin1String(name)).hasMatch(), name);

    QtAddressFileDialog::configure(dialog, AddressFileDialog::Request{QStringLiteral("/"), QString(), true});
    QVERIFY(!dialog.testOption(QFileDialog::DontUseNativeDialog));
}

QTEST_MAIN(TestWindowParts)
#include "test_window_parts.moc"
