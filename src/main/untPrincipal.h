#pragma once

#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

#include "distance_matrix/ClientSettings.h"
#include "i18n/Texts.h"
#include "main/WindowEffects.h"
#include "routes/ServiceChoice.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class LinkLabel;
class SvgPicture;
class UserSelection;
class WindowRunProgress;

namespace trajetix {
class MessageSink;
class RouteService;
} // namespace trajetix

// How a main window is built: its effects (null members: the real ones), where its
// web clients send the requests, and its settings file (empty: the program's own).
struct WindowOptions {
    WindowEffects effects;
    trajetix::ClientSettings client; // Distance Matrix
    trajetix::ClientSettings routesClient = trajetix::defaultClientSettings(trajetix::ServiceChoice::Routes);
    QString settingsFile;
};

// The main window: three tabs (routes, settings, about), the handlers of their
// controls, and the window-level state the handlers share.
class TfrmPrincipal : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmPrincipal(const WindowOptions &options = WindowOptions(), QWidget *parent = nullptr);
    ~TfrmPrincipal() override;

    // The full name of the settings file read at creation and written at close.
    QString settingsFile() const { return m_settingsFile; }

    // Applies interface language idioma (0..6) to every caption, the hint of the flag
    // picture, both lists and the fourteen message slots, running no change handler.
    void Traduzir(int idioma);

    // Window-level state shared by the handlers.
    const trajetix::MessageSlots &messageSlots() const { return m_slots; }
    int totalLines() const { return intTotal; }
    QString resultFolder() const { return strPath; }
    // The address-file dialog's state: where it starts and the last confirmed name.
    QString dialogInitialFolder() const { return m_dialogInitialFolder; }
    QString dialogFileName() const { return m_dialogFileName; }
    bool isRunning() const { return m_running; }

    // The maker's addresses, kept here once.
    static QString makerEmail();
    static QString makerSite();
    static QString donationPage();
    static QString keyHelpPage();
    static QString routesKeyHelpPage();

    // Controls, named as designed.
    QTabWidget *pgcPrincipal;

    QWidget *tbshtRoteamento;
    QGroupBox *grpbxEnderecos;
    QPushButton *btbtnArquivoEnderecos;
    QLineEdit *edtArquivoEnderecos;
    QGroupBox *grpbxEnderecosDestino;
    QPushButton *btbtnDiretorioDestino;
    QLineEdit *edtDiretorioDestino;
    QLabel *lblTotalLinhas;
    QPushButton *btbtnProcessar;
    QLabel *lblEnderecoAtual;
    QProgressBar *prgBarAtual;
    QLabel *lblProgressogeral;
    QProgressBar *prgBarGeral;

    QWidget *tbshtConfiguracao;
    QLabel *lblChaveApiGoogle;
    QLineEdit *edtChaveAPIGoogle;
    LinkLabel *lblKeyApi;
    QLabel *lblParametroModoDeslocamento;
    QComboBox *cmbxModo;
    QLabel *lblAvisoBeta; // beside cmbxModo: Routes with walking or bicycling is beta
    QLabel *lblIdiomaAplicativo;
    QComboBox *cmbxIdioma;
    QLabel *lblAparenciaAplicativo;
    QComboBox *cmbxAparencia;
    QLabel *lblServicoRotas;
    QComboBox *cmbxServico; // 0 Distance Matrix, 1 Routes API

    QWidget *tbshtSobre;
    SvgPicture *Image1;
    SvgPicture *icoBandeira;
    QLabel *Label3;
    QLabel *lblDescricaoAplicativo;
    QLabel *lblVersao;
    QLabel *lblVersaoWindows;
    QFrame *Panel1;
    LinkLabel *lblLeiame;
    QLabel *lblContato;
    QLabel *Label9;
    LinkLabel *lblEmail;
    QLabel *Label10;
    LinkLabel *lblURLSite;
    QLabel *lblColaboracao;
    LinkLabel *lblLnkColaboracao;

  protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    void buildRoutesTab();
    void buildSettingsTab();
    void buildAboutTab();
    void setTabOrder();
    void connectHandlers();
    void updateAccessibleNames();
    void applyDesignColours();
    QColor pageColour() const;

    // Handlers of the window's events.
    void FormCreate();
    void FormClose();
    void btbtnArquivoEnderecosClick();
    void btbtnDiretorioDestinoClick();
    void btbtnProcessarClick();
    void cmbxModoChange();
    void cmbxIdiomaChange();
    void cmbxAparenciaChange();
    void cmbxServicoChange();
    void lblKeyApiClick();
    void lblEmailClick();
    void lblURLSiteClick();
    void lblLeiameClick();
    void lblLnkColaboracaoClick();

    // Counts the lines of the file named in edtArquivoEnderecos into intTotal and lets
    // the waiting events run once; nullopt (intTotal unchanged) when counting failed.
    std::optional<int> TotalLinhas();
    // Fills the theme list with every theme name, sorted without regard to case, and
    // selects the active theme, raising no change.
    void LoadStyles();
    // Selects the entry of the theme in force, raising no change.
    void selectActiveTheme();
    // Shows the beta notice for the chosen service and travel mode in the current language,
    // or hides it.
    void updateBetaNotice();
    // The chosen service's client.
    trajetix::RouteService &chosenService();
    // Shows the folder chooser; true and folder set when a folder was chosen.
    bool BrowseForFolder(QString &folder, const QString &title);

    // Runs a handler; an error escaping it is shown in the "Trajetix" box and the
    // program goes on. Returns false when an error escaped.
    template <typename Handler> bool guarded(Handler &&handler);
    void showEscapedError(const QString &message);
    bool nativeDialogs() const;

    trajetix::MessageSink *m_messages;
    AddressFileDialog *m_fileDialog;
    FolderChooser *m_folderChooser;
    EscapedErrorBox *m_errorBox;
    LinkOpener *m_linkOpener;
    // The real effects, made for the members the options left null.
    std::unique_ptr<trajetix::MessageSink> m_ownMessages;
    std::unique_ptr<AddressFileDialog> m_ownFileDialog;
    std::unique_ptr<FolderChooser> m_ownFolderChooser;
    std::unique_ptr<EscapedErrorBox> m_ownErrorBox;
    std::unique_ptr<LinkOpener> m_ownLinkOpener;

    // The web client lives as long as the window: one connection and one held answer
    // for every line of every run.
    std::unique_ptr<trajetix::RouteService> m_routeService;
    std::unique_ptr<trajetix::RouteService> m_routesApiService;
    std::unique_ptr<WindowRunProgress> m_progress;
    UserSelection *m_modoSelection;
    UserSelection *m_idiomaSelection;
    UserSelection *m_aparenciaSelection;
    UserSelection *m_servicoSelection;

    // Window-level state.
    QString strPath;
    int intTotal = 0;
    trajetix::MessageSlots m_slots; // empty until the first language is applied
    QString m_dialogInitialFolder = QStringLiteral("/");
    QString m_dialogFileName;
    bool m_running = false;
    QString m_settingsFile;
};

extern TfrmPrincipal *frmPrincipal;
