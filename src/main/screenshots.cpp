// Builds the main window with nothing outside it (no dialogs, no boxes, no network)
// and saves a picture of each tab in Portuguese and in Chinese:
//   trajetix-screenshots <folder>
// The routes tab shows an accepted address file and a chosen destination.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

#include "i18n/Messages.h"
#include "main/WindowEffects.h"
#include "main/untPrincipal.h"

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

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (QApplication::arguments().size() != 2) {
        std::fprintf(stderr, "usage: trajetix-screenshots <folder>\n");
        return 2;
    }
    const QDir out(QApplication::arguments().at(1));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(out.path()));
        return 1;
    }

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/Rotas-XXXXXX"));
    const QString addresses = work.filePath(QStringLiteral("enderecos.csv"));
    {
        QFile file(addresses);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        for (int i = 0; i < 12; ++i)
            file.write("Rua A, 1, Campo Grande;Rua B, 2, Corumba\r\n");
    }
    const QString folder = work.path();

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

    int saved = 0;
    for (const auto &language : languages) {
        window.Traduzir(language.language);
        window.btbtnArquivoEnderecos->click();
        window.btbtnDiretorioDestino->click();
        for (int tab = 0; tab < 3; ++tab) {
            window.pgcPrincipal->setCurrentIndex(tab);
            QApplication::processEvents();
            const QString name = out.filePath(
                QStringLiteral("%1-%2.png").arg(QLatin1String(tabs[tab]), QLatin1String(language.tag)));
            if (!window.grab().save(name)) {
                std::fprintf(stderr, "cannot save %s\n", qPrintable(name));
                return 1;
            }
            std::printf("%s\n", qPrintable(name));
            ++saved;
        }
    }
    return saved == 6 ? 0 : 1;
}
