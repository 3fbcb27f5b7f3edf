// Builds the main window with nothing outside it (no dialogs, no boxes, no network)
// and saves pictures of it:
//   trajetix-screenshots <folder> [--themes <folder>] [--review <folder>]
// <folder>: each tab in Portuguese and in Chinese, in the system look; the routes tab
// shows an accepted address file and a chosen destination. Then the settings tab with the
// Routes API and walking chosen.
// --themes: the routes tab part-way through a run in every theme, one picture per theme
// named after it, and contact-sheet.png with all of them side by side.
// --review: for checking a theme by eye, the settings tab with a list open and a
// message box in every theme (needs a real screen such as Xvfb, since the open list is a
// window of its own).
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

#include "i18n/Messages.h"
#include "main/QtEffects.h"
#include "main/WindowEffects.h"
#include "main/untPrincipal.h"
#include "themes/ThemeManager.h"

namespace {

class SampleFile : public AddressFileDialog {
  public:
    explicit SampleFile(const QString &name) : m_name(name) {}
    Outcome choose(QWidget *, const Request &, QStringList &fileNames) override
    {
        fileNames = QStringList{m_name};
        return Outcome::Confirmed;
    }

  private:
    QString m_name;
};

class SampleFolder : public FolderChooser {
  public:
    explicit SampleFolder(const QString &folder) : m_folder(folder) {}
    QString choose(QWidget *, const QString &, bool) override { return m_folder; }

  private:
    QString m_folder;
};

class Silent : public trajetix::MessageSink, public EscapedErrorBox, public LinkOpener {
  public:
    void showMessage(trajetix::MessageKind, const QString &text) override { report(text); }
    void showEscapedError(QWidget *, const QString &text) override { report(text); }
    void open(const QUrl &) override {}

  private:
    static void report(const QString &text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
};

// Lets the window settle after a change of language, theme or tab.
void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

// Screen pictures of pop-ups need the X server to have drawn them first.
void settleOnScreen()
{
    settle();
    QThread::msleep(150);
    settle();
}

bool save(const QImage &image, const QString &name)
{
    // Quality 0 is zlib's strongest compression for PNG.
    if (!image.save(name, "PNG", 0)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(name));
        return false;
    }
    std::printf("%s\n", qPrintable(name));
    return true;
}

bool makeFolder(const QString &path)
{
    if (QDir(path).exists() || QDir().mkpath(path))
        return true;
    std::fprintf(stderr, "cannot make %s\n", qPrintable(path));
    return false;
}

// "Windows10 SlateGray" -> "windows10-slategray": lower case, blanks as hyphens.
QString fileNameOf(const QString &theme)
{
    QString name;
    for (const QChar c : theme.toLower()) {
        if (c.isLetterOrNumber())
            name += c;
        else if (!name.endsWith(u'-'))
            name += u'-';
    }
    return name;
}

QStringList themesInListOrder(const TfrmPrincipal &window)
{
    QStringList names;
    for (int i = 0; i < window.cmbxAparencia->count(); ++i)
        names << window.cmbxAparencia->itemText(i);
    return names;
}

void applyTheme(TfrmPrincipal &window, const QString &name)
{
    trajetix::ThemeManager::instance().apply(name, true);
    // The list shows the theme in force, as after the user's own choice.
    window.cmbxAparencia->blockSignals(true);
    window.cmbxAparencia->setCurrentIndex(window.cmbxAparencia->findText(name, Qt::MatchFixedString));
    window.cmbxAparencia->blockSignals(false);
    settle();
}

// The themes' pictures, captioned with their names, in a grid at reduced scale.
QImage contactSheet(const QList<QPair<QString, QImage>> &pictures)
{
    const int columns = 5;
    const double scale = 0.5;
    const int gap = 12;
    const QSize full = pictures.first().second.size();
    const QSize cell(qRound(full.width() * scale), qRound(full.height() * scale));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    font.setBold(true);
    const int caption = QFontMetrics(font).height() + 6;
    const int rows = int((pictures.size() + columns - 1) / columns);

    QImage sheet(gap + columns * (cell.width() + gap), gap + rows * (cell.height() + caption + gap),
                 QImage::Format_RGB32);
    sheet.fill(QColor(0xe8, 0xe8, 0xe8));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setFont(font);
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const int x = gap + int(i % columns) * (cell.width() + gap);
        const int y = gap + int(i / columns) * (cell.height() + caption + gap);
        painter.setPen(QColor(0x20, 0x20, 0x20));
        painter.drawText(QRect(x, y, cell.width(), caption), Qt::AlignLeft | Qt::AlignVCenter,
                         pictures[i].first);
        const QRect place(QPoint(x, y + caption), cell);
        painter.drawImage(place,
                          pictures[i].second.scaled(cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawRect(place.adjusted(-1, -1, 0, 0));
    }
    return sheet;
}

// The routes tab part-way through a run: file and destination chosen, the count shown,
// the fifth of twelve lines at its second step.
bool saveGallery(TfrmPrincipal &window, const QDir &out)
{
    window.Traduzir(trajetix::Portuguese);
    window.btbtnArquivoEnderecos->click();
    window.btbtnDiretorioDestino->click();
    window.pgcPrincipal->setCurrentWidget(window.tbshtRoteamento);
    window.prgBarGeral->setMaximum(window.totalLines());
    window.prgBarGeral->setValue(5);
    window.prgBarAtual->setMaximum(3);
    window.prgBarAtual->setValue(2);
    window.btbtnProcessar->setFocus();

    QList<QPair<QString, QImage>> pictures;
    for (const QString &theme : themesInListOrder(window)) {
        applyTheme(window, theme);
        const QImage picture = window.grab().toImage();
        if (!save(picture, out.filePath(fileNameOf(theme) + QStringLiteral(".png"))))
            return false;
        pictures.append({theme, picture});
    }
    applyTheme(window, trajetix::ThemeManager::systemName());
    window.prgBarGeral->reset();
    window.prgBarAtual->reset();
    return !pictures.isEmpty() &&
           save(contactSheet(pictures), out.filePath(QStringLiteral("contact-sheet.png")));
}

// Every theme's settings tab with a list open, and one of the program's message
// boxes, taken from the screen.
bool saveReview(TfrmPrincipal &window, const QDir &out)
{
    window.Traduzir(trajetix::Portuguese);
    window.pgcPrincipal->setCurrentWidget(window.tbshtConfiguracao);
    QScreen *screen = window.screen();
    for (const QString &theme : themesInListOrder(window)) {
        applyTheme(window, theme);
        window.activateWindow();
        // The language list: short, with pictures, and it leaves the rest of the tab in view.
        window.cmbxIdioma->setFocus();
        window.cmbxIdioma->showPopup();
        settleOnScreen();
        QRect area = window.frameGeometry().united(window.cmbxIdioma->view()->window()->frameGeometry());
        if (!save(screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage(),
                  out.filePath(fileNameOf(theme) + QStringLiteral("-settings.png"))))
            return false;
        window.cmbxIdioma->hidePopup();

        std::unique_ptr<QMessageBox> box(makeMessageBox(
            &window, QMessageBox::Warning, trajetix::messageKindTitle(trajetix::MessageKind::Warning),
            window.messageSlots().msgdlgbtnArquivoEnderecos));
        box->setWindowModality(Qt::NonModal);
        box->show();
        settleOnScreen();
        area = box->frameGeometry();
        if (!save(screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage(),
                  out.filePath(fileNameOf(theme) + QStringLiteral("-message.png"))))
            return false;
    }
    applyTheme(window, trajetix::ThemeManager::systemName());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    QString themesFolder, reviewFolder;
    for (const auto &[option, target] : {std::pair{QStringLiteral("--themes"), &themesFolder},
                                         std::pair{QStringLiteral("--review"), &reviewFolder}}) {
        const qsizetype at = arguments.indexOf(option);
        if (at >= 0 && at + 1 < arguments.size()) {
            *target = arguments.at(at + 1);
            arguments.remove(at, 2);
        }
    }
    if (arguments.size() != 1 || arguments.first().startsWith(u'-')) {
        std::fprintf(stderr,
                     "usage: trajetix-screenshots <folder> [--themes <folder>] [--review <folder>]\n");
        return 2;
    }
    const QDir out(arguments.first());
    if (!makeFolder(out.path()) || (!themesFolder.isEmpty() && !makeFolder(themesFolder)) ||
        (!reviewFolder.isEmpty() && !makeFolder(reviewFolder)))
        return 1;

    // The address file under the same name every time, so that pictures taken again differ
    // only where the window does; the settings file in a folder of its own.
    QTemporaryDir work;
    const QString sampleRoot = QDir::tempPath() + QStringLiteral("/Trajetix");
    const QString folder = sampleRoot + QStringLiteral("/Rotas");
    const bool ownSampleRoot = !QDir(sampleRoot).exists();
    if (!work.isValid() || !QDir().mkpath(folder))
        return 1;
    struct RemoveSamples {
        QString root;
        bool own;
        ~RemoveSamples()
        {
            if (own)
                QDir(root).removeRecursively();
        }
    } removeSamples{sampleRoot, ownSampleRoot};
    const QString addresses = folder + QStringLiteral("/enderecos.csv");
    {
        QFile file(addresses);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        for (int i = 0; i < 12; ++i)
            file.write("Rua A, 1, Campo Grande;Rua B, 2, Corumba\r\n");
    }

    SampleFile dialog(addresses);
    SampleFolder chooser(folder);
    Silent silent;
    WindowOptions options;
    options.effects.messages = &silent;
    options.effects.errorBox = &silent;
    options.effects.linkOpener = &silent;
    options.effects.fileDialog = &dialog;
    options.effects.folderChooser = &chooser;
    // A settings file of its own, never the program's.
    options.settingsFile = work.filePath(QStringLiteral("config.ini"));

    TfrmPrincipal window(options);
    window.show();
    window.edtChaveAPIGoogle->setText(QStringLiteral("AIzaSyExampleExampleExample0000000000"));

    const struct {
        int language;
        const char *tag;
    } languages[] = {{trajetix::Portuguese, "pt"}, {trajetix::Chinese, "zh"}};
    const char *const tabs[] = {"routes", "settings", "about"};

    for (const auto &language : languages) {
        window.Traduzir(language.language);
        window.btbtnArquivoEnderecos->click();
        window.btbtnDiretorioDestino->click();
        for (int tab = 0; tab < 3; ++tab) {
            window.pgcPrincipal->setCurrentIndex(tab);
            settle();
            const QString name = out.filePath(
                QStringLiteral("%1-%2.png").arg(QLatin1String(tabs[tab]), QLatin1String(language.tag)));
            if (!save(window.grab().toImage(), name))
                return 1;
        }
    }
    if (!themesFolder.isEmpty() && !saveGallery(window, QDir(themesFolder)))
        return 1;
    if (!reviewFolder.isEmpty() && !saveReview(window, QDir(reviewFolder)))
        return 1;

    // Last, since it changes the service and the mode: the settings tab with the Routes
    // API and walking chosen, where the beta notice shows.
    window.Traduzir(trajetix::Portuguese);
    window.cmbxServico->setCurrentIndex(int(trajetix::ServiceChoice::Routes));
    emit window.cmbxServico->activated(window.cmbxServico->currentIndex());
    window.cmbxModo->setCurrentIndex(1);
    emit window.cmbxModo->activated(1);
    window.pgcPrincipal->setCurrentWidget(window.tbshtConfiguracao);
    settle();
    return save(window.grab().toImage(), out.filePath(QStringLiteral("settings-routes-pt.png"))) ? 0 : 1;
}
