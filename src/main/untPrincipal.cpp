#include "main/untPrincipal.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyleOption>
#include <QTabWidget>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <exception>

#include "batch/BatchRun.h"
#include "batch/LineCounter.h"
#include "distance_matrix/DistanceMatrixService.h"
#include "i18n/Messages.h"
#include "i18n/ServiceTexts.h"
#include "main/FileNames.h"
#include "main/QtEffects.h"
#include "main/RunInputFilter.h"
#include "main/UserSelection.h"
#include "main/Widgets.h"
#include "main/WindowRunProgress.h"
#include "settings/IntegerText.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsError.h"
#include "settings/SettingsLocation.h"
#include "themes/ThemeManager.h"

TfrmPrincipal *frmPrincipal = nullptr;

namespace {

// The design's fonts and their nearest Debian faces. Tahoma, MS Sans Serif and
// Verdana are all humanist sans faces; DejaVu Sans stands for them, with WenQuanYi
// Micro Hei behind it for the Chinese texts.
enum class Face { Tahoma, MsSansSerif, Verdana };

QFont designFont(Face face, int points, bool bold = false, bool underline = false)
{
    Q_UNUSED(face);
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSize(points);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette;
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// WCAG 2 contrast ratio of two colours.
double contrastRatio(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// design itself when it reads on background (minimum:1; 4.5:1 is the rule for body text);
// otherwise the same hue made lighter or darker, whichever way leaves more room, until it does.
QColor readableOn(const QColor &design, const QColor &background, double minimum = 4.5)
{
    if (contrastRatio(design, background) >= minimum)
        return design;
    const bool lighter = contrastRatio(Qt::white, background) >= contrastRatio(Qt::black, background);
    const QColor hsl = design.toHsl();
    for (int l = hsl.lightness(); l >= 0 && l <= 255; l += lighter ? 1 : -1) {
        const QColor candidate = QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), l);
        if (contrastRatio(candidate, background) >= minimum)
            return candidate;
    }
    return lighter ? QColor(Qt::white) : QColor(Qt::black);
}

// Qt exposes a top-level widget of its own class as a mere filler; assistive technology
// announces a window's title only for a frame.
QAccessibleInterface *mainWindowAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("TfrmPrincipal") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

// A label that sizes itself to its text, placed at its designed spot.
QLabel *makeLabel(QWidget *parent, const char *name, int left, int top, const QString &text,
                  const QFont &font)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

LinkLabel *makeLink(QWidget *parent, const char *name, int left, int top, const QString &text,
                    const QFont &font)
{
    auto *label = new LinkLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setText(text);
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QIcon glyph(const QString &name)
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/pictures/") + name + QStringLiteral(".svg"), QSize(16, 16), QIcon::Normal);
    icon.addFile(QStringLiteral(":/pictures/") + name + QStringLiteral("-disabled.svg"), QSize(16, 16),
                 QIcon::Disabled);
    return icon;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QRect &place, const QString &text,
                        const QString &glyphName)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    button->setIcon(glyph(glyphName));
    button->setIconSize(QSize(16, 16));
    return button;
}

// The borderless, read-only edits of the routes tab: the page shows through them.
QLineEdit *makeFlatEdit(QWidget *parent, const char *name, const QRect &place)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(place);
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setFont(designFont(Face::MsSansSerif, 8));
    // Its palette (transparent box, the page's text colours) is set with the design colours.
    // A theme's style sheet would give the edit a box of its own.
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; }"));
    return edit;
}

QProgressBar *makeBar(QWidget *parent, const char *name, const QRect &place)
{
    auto *bar = new QProgressBar(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setGeometry(place);
    bar->setRange(1, 100);
    bar->setValue(1);
    bar->setTextVisible(false);
    return bar;
}

QComboBox *makeList(QWidget *parent, const char *name, const QRect &place)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setGeometry(place);
    list->setEditable(false);
    return list;
}

QIcon flag(int language)
{
    static const char *const names[trajetix::LanguageCount] = {"br", "gb", "es", "de", "fr", "ua", "cn"};
    return QIcon(QStringLiteral(":/pictures/flag-") + QLatin1String(names[language]) +
                 QStringLiteral(".svg"));
}

} // namespace

QString TfrmPrincipal::makerEmail()
{
    return QStringLiteral("contato@trajetix.example");
}

QString TfrmPrincipal::makerSite()
{
    return QStringLiteral("https://trajetix.example/");
}

QString TfrmPrincipal::donationPage()
{
    return QStringLiteral("https://trajetix.example/colaborar");
}

QString TfrmPrincipal::keyHelpPage()
{
    return QStringLiteral("https://developers.google.com/maps/documentation/distance-matrix/get-api-key");
}

QString TfrmPrincipal::routesKeyHelpPage()
{
    return QStringLiteral("https://developers.google.com/maps/documentation/routes/get-api-key");
}

TfrmPrincipal::TfrmPrincipal(const WindowOptions &options, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    const WindowEffects &effects = options.effects;
    m_messages = effects.messages;
    if (!m_messages) {
        m_ownMessages = std::make_unique<QtMessageSink>(this);
        m_messages = m_ownMessages.get();
    }
    m_fileDialog = effects.fileDialog;
    if (!m_fileDialog) {
        m_ownFileDialog = std::make_unique<QtAddressFileDialog>();
        m_fileDialog = m_ownFileDialog.get();
    }
    m_folderChooser = effects.folderChooser;
    if (!m_folderChooser) {
        m_ownFolderChooser = std::make_unique<QtFolderChooser>();
        m_folderChooser = m_ownFolderChooser.get();
    }
    m_errorBox = effects.errorBox;
    if (!m_errorBox) {
        m_ownErrorBox = std::make_unique<QtEscapedErrorBox>();
        m_errorBox = m_ownErrorBox.get();
    }
    m_linkOpener = effects.linkOpener;
    if (!m_linkOpener) {
        m_ownLinkOpener = std::make_unique<DesktopLinkOpener>();
        m_linkOpener = m_ownLinkOpener.get();
    }

    static const bool accessibleAsWindow = (QAccessible::installFactory(mainWindowAccessible), true);
    Q_UNUSED(accessibleAsWindow);
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Trajetix"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/trajetix.svg")));
    setFont(designFont(Face::Tahoma, 8));
    resize(723, 449);

    pgcPrincipal = new QTabWidget(this);
    pgcPrincipal->setObjectName(QStringLiteral("pgcPrincipal"));
    pgcPrincipal->setGeometry(0, 0, 723, 441);
    buildRoutesTab();
    buildSettingsTab();
    buildAboutTab();
    pgcPrincipal->setCurrentWidget(tbshtRoteamento);
    setTabOrder();

    auto service = std::make_unique<trajetix::DistanceMatrixService>(options.client);
    // The transfer runs off this thread while the window waits in a local event loop,
    // so it keeps painting; the user's input meanwhile is dropped (RunInputBlock).
    service->setWaitInEventLoop(true);
    m_routeService = std::move(service);
    // The Routes API client, for a Cloud project that cannot enable Distance Matrix; it
    // waits the same way, its pacing and retry waits included.
    trajetix::ServiceOptions routesOptions;
    routesOptions.settings = options.routesClient;
    routesOptions.waitInEventLoop = true;
    m_routesApiService = trajetix::makeRouteService(trajetix::ServiceChoice::Routes, routesOptions);
    m_progress = std::make_unique<WindowRunProgress>(prgBarGeral, prgBarAtual);
    m_modoSelection = new UserSelection(cmbxModo);
    m_idiomaSelection = new UserSelection(cmbxIdioma);
    m_aparenciaSelection = new UserSelection(cmbxAparencia);
    m_servicoSelection = new UserSelection(cmbxServico);
    connectHandlers();
    updateAccessibleNames();
    applyDesignColours();

    m_settingsFile = options.settingsFile.isEmpty() ? trajetix::settingsFileName() : options.settingsFile;
    // An error of the start-up sequence is shown; the window is created all the same.
    guarded([this] { FormCreate(); });
    // Also when the start-up sequence stopped early.
    updateBetaNotice();
}

TfrmPrincipal::~TfrmPrincipal() = default;

void TfrmPrincipal::buildRoutesTab()
{
    tbshtRoteamento = new QWidget;
    tbshtRoteamento->setObjectName(QStringLiteral("tbshtRoteamento"));
    pgcPrincipal->addTab(tbshtRoteamento, QStringLiteral("Processar rotas"));
    const QFont groupFont = designFont(Face::MsSansSerif, 8, true);
    const QFont regular = designFont(Face::Tahoma, 8);

    grpbxEnderecos = new QGroupBox(QStringLiteral("Informe o arquivo com os endereços"), tbshtRoteamento);
    grpbxEnderecos->setObjectName(QStringLiteral("grpbxEnderecos"));
    grpbxEnderecos->setGeometry(2, 24, 698, 81);
    grpbxEnderecos->setFont(groupFont);
    btbtnArquivoEnderecos = makeButton(grpbxEnderecos, "btbtnArquivoEnderecos", QRect(1, 30, 191, 30),
                                       QStringLiteral("Escolha o arquivo"), QStringLiteral("address-file"));
    btbtnArquivoEnderecos->setFont(regular);
    edtArquivoEnderecos = makeFlatEdit(grpbxEnderecos, "edtArquivoEnderecos", QRect(193, 34, 500, 21));

    grpbxEnderecosDestino =
        new QGroupBox(QStringLiteral("Informe o diretório destino para o arquivo processado com as rotas"),
                      tbshtRoteamento);
    grpbxEnderecosDestino->setObjectName(QStringLiteral("grpbxEnderecosDestino"));
    grpbxEnderecosDestino->setGeometry(3, 111, 697, 81);
    grpbxEnderecosDestino->setFont(groupFont);
    btbtnDiretorioDestino =
        makeButton(grpbxEnderecosDestino, "btbtnDiretorioDestino", QRect(1, 27, 191, 30),
                   QStringLiteral("Escolha o diretório"), QStringLiteral("destination-folder"));
    btbtnDiretorioDestino->setFont(regular);
    btbtnDiretorioDestino->setEnabled(false);
    edtDiretorioDestino = makeFlatEdit(grpbxEnderecosDestino, "edtDiretorioDestino", QRect(193, 31, 500, 21));
    edtDiretorioDestino->setEnabled(false);

    lblTotalLinhas = makeLabel(tbshtRoteamento, "lblTotalLinhas", 16, 240, QStringLiteral("      "),
                               designFont(Face::Tahoma, 8, true));

    btbtnProcessar = makeButton(tbshtRoteamento, "btbtnProcessar", QRect(242, 233, 191, 30),
                                QStringLiteral("Processar rotas"), QStringLiteral("process"));
    btbtnProcessar->setEnabled(false);

    const QFont heading = designFont(Face::Tahoma, 8, true);
    lblEnderecoAtual =
        makeLabel(tbshtRoteamento, "lblEnderecoAtual", 5, 276, QStringLiteral("Endereço atual"), heading);
    prgBarAtual = makeBar(tbshtRoteamento, "prgBarAtual", QRect(3, 298, 695, 17));
    lblProgressogeral =
        makeLabel(tbshtRoteamento, "lblProgressogeral", 5, 320, QStringLiteral("Progresso geral"), heading);
    prgBarGeral = makeBar(tbshtRoteamento, "prgBarGeral", QRect(3, 342, 695, 17));
}

void TfrmPrincipal::buildSettingsTab()
{
    tbshtConfiguracao = new QWidget;
    tbshtConfiguracao->setObjectName(QStringLiteral("tbshtConfiguracao"));
    pgcPrincipal->addTab(tbshtConfiguracao, QStringLiteral("Configuração"));
    const QFont heading = designFont(Face::Tahoma, 8, true);

    lblChaveApiGoogle = makeLabel(tbshtConfiguracao, "lblChaveApiGoogle", 6, 22,
                                  QStringLiteral("Informe a sua chave da API Google"), heading);
    edtChaveAPIGoogle = new QLineEdit(tbshtConfiguracao);
    edtChaveAPIGoogle->setObjectName(QStringLiteral("edtChaveAPIGoogle"));
    edtChaveAPIGoogle->setGeometry(3, 49, 366, 21);
    lblKeyApi = makeLink(tbshtConfiguracao, "lblKeyApi", 375, 52,
                         QStringLiteral("Como criar minha chave da API do Google Maps?"),
                         designFont(Face::MsSansSerif, 7, false, true));

    lblParametroModoDeslocamento = makeLabel(tbshtConfiguracao, "lblParametroModoDeslocamento", 6, 76,
                                             QStringLiteral("Parâmetro Modo Deslocamento"), heading);
    cmbxModo = makeList(tbshtConfiguracao, "cmbxModo", QRect(3, 104, 201, 21));
    cmbxModo->addItems(trajetix::travelModeNames(trajetix::Portuguese));
    cmbxModo->setCurrentIndex(-1);
    // Beside the list, where the rows below leave no room under it; up to two lines.
    lblAvisoBeta = new QLabel(tbshtConfiguracao);
    lblAvisoBeta->setObjectName(QStringLiteral("lblAvisoBeta"));
    lblAvisoBeta->setFont(designFont(Face::Tahoma, 8));
    lblAvisoBeta->setWordWrap(true);
    lblAvisoBeta->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblAvisoBeta->setGeometry(212, 98, 490, 34);
    lblAvisoBeta->hide();

    lblIdiomaAplicativo = makeLabel(tbshtConfiguracao, "lblIdiomaAplicativo", 3, 131,
                                    QStringLiteral("Alterar idioma do aplicativo"), heading);
    cmbxIdioma = makeList(tbshtConfiguracao, "cmbxIdioma", QRect(3, 158, 201, 22));
    cmbxIdioma->setIconSize(QSize(16, 16));
    const QStringList languages = trajetix::languageNames(trajetix::Portuguese);
    for (int i = 0; i < languages.size(); ++i)
        cmbxIdioma->addItem(flag(i), languages.at(i));
    cmbxIdioma->setCurrentIndex(-1);

    lblAparenciaAplicativo = makeLabel(tbshtConfiguracao, "lblAparenciaAplicativo", 6, 186,
                                       QStringLiteral("Alterar aparência do aplicativo"), heading);
    cmbxAparencia = makeList(tbshtConfiguracao, "cmbxAparencia", QRect(3, 214, 201, 21));

    const trajetix::ServiceTexts &serviceTexts = trajetix::serviceTexts(trajetix::Portuguese);
    lblServicoRotas =
        makeLabel(tbshtConfiguracao, "lblServicoRotas", 6, 242, serviceTexts.lblServicoRotas, heading);
    cmbxServico = makeList(tbshtConfiguracao, "cmbxServico", QRect(3, 270, 201, 21));
    cmbxServico->addItems(serviceTexts.cmbxServico);
    cmbxServico->setCurrentIndex(int(trajetix::ServiceChoice::DistanceMatrix));

    lblChaveApiGoogle->setBuddy(edtChaveAPIGoogle);
    lblParametroModoDeslocamento->setBuddy(cmbxModo);
    lblIdiomaAplicativo->setBuddy(cmbxIdioma);
    lblAparenciaAplicativo->setBuddy(cmbxAparencia);
    lblServicoRotas->setBuddy(cmbxServico);
}

void TfrmPrincipal::buildAboutTab()
{
    tbshtSobre = new QWidget;
    tbshtSobre->setObjectName(QStringLiteral("tbshtSobre"));
    pgcPrincipal->addTab(tbshtSobre, QStringLiteral("Sobre"));

    Image1 = new SvgPicture(QStringLiteral(":/pictures/logo.svg"), tbshtSobre);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(3, 6, 184, 146);
    icoBandeira = new SvgPicture(QStringLiteral(":/pictures/two-flags.svg"), tbshtSobre);
    icoBandeira->setObjectName(QStringLiteral("icoBandeira"));
    icoBandeira->setGeometry(401, 0, 153, 50);
    icoBandeira->setToolTip(QStringLiteral("Software Brasileiro e Pantaneiro"));

    Label3 = makeLabel(tbshtSobre, "Label3", 192, 12, QStringLiteral("Trajetix"),
                       designFont(Face::Verdana, 24, true));

    lblDescricaoAplicativo = new QLabel(
        QStringLiteral("Programa  que estima tempo e quilometragem  entre endereços."), tbshtSobre);
    lblDescricaoAplicativo->setObjectName(QStringLiteral("lblDescricaoAplicativo"));
    lblDescricaoAplicativo->setFont(designFont(Face::MsSansSerif, 10, true));
    lblDescricaoAplicativo->setWordWrap(true);
    lblDescricaoAplicativo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescricaoAplicativo->setGeometry(193, 52, 361, 40);

    lblVersao = makeLabel(tbshtSobre, "lblVersao", 193, 90, QStringLiteral("Versão 1.0"),
                          designFont(Face::Tahoma, 8, true));
    lblVersaoWindows = makeLabel(tbshtSobre, "lblVersaoWindows", 193, 105,
                                 QStringLiteral("(para Windows 7 ou Superior)"), designFont(Face::Tahoma, 8));

    Panel1 = new QFrame(tbshtSobre);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(192, 119, 312, 5);

    lblLeiame = makeLink(tbshtSobre, "lblLeiame", 432, 98, QStringLiteral("Leia-me"),
                         designFont(Face::MsSansSerif, 12, true, true));

    lblContato = makeLabel(tbshtSobre, "lblContato", 17, 165, QStringLiteral("Contato"),
                           designFont(Face::MsSansSerif, 12, true, true));
    const QFont caption = designFont(Face::MsSansSerif, 8, true);
    const QFont linkFont = designFont(Face::MsSansSerif, 7, false, true);
    Label9 = makeLabel(tbshtSobre, "Label9", 17, 191, QStringLiteral("E-mail"), caption);
    lblEmail = makeLink(tbshtSobre, "lblEmail", 58, 191, makerEmail(), linkFont);
    Label10 = makeLabel(tbshtSobre, "Label10", 17, 210, QStringLiteral("Site"), caption);
    lblURLSite = makeLink(tbshtSobre, "lblURLSite", 58, 210, makerSite(), linkFont);

    lblColaboracao = makeLabel(tbshtSobre, "lblColaboracao", 17, 255, QStringLiteral("Colaboração $$$"),
                               designFont(Face::MsSansSerif, 8, true, true));
    lblLnkColaboracao = makeLink(
        tbshtSobre, "lblLnkColaboracao", 17, 274,
        QStringLiteral("Se este programa lhe foi útil faça uma colaboração clicando aqui"), linkFont);

    Label9->setBuddy(lblEmail);
    Label10->setBuddy(lblURLSite);
}

void TfrmPrincipal::setTabOrder()
{
    // Each tab in the order of its rows; disabled controls are skipped by Qt itself.
    const QList<QWidget *> chain = {pgcPrincipal->tabBar(),
                                    btbtnArquivoEnderecos,
                                    edtArquivoEnderecos,
                                    btbtnDiretorioDestino,
                                    edtDiretorioDestino,
                                    btbtnProcessar,
                                    edtChaveAPIGoogle,
                                    lblKeyApi,
                                    cmbxModo,
                                    cmbxIdioma,
                                    cmbxAparencia,
                                    cmbxServico,
                                    lblLeiame,
                                    lblEmail,
                                    lblURLSite,
                                    lblLnkColaboracao};
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}

template <typename Handler> bool TfrmPrincipal::guarded(Handler &&handler)
{
    try {
        handler();
        return true;
    } catch (const trajetix::SettingsError &error) {
        showEscapedError(error.message());
    } catch (const std::exception &error) {
        showEscapedError(QString::fromUtf8(error.what()));
    } catch (...) {
        showEscapedError(QStringLiteral("Unknown error"));
    }
    return false;
}

void TfrmPrincipal::connectHandlers()
{
    connect(btbtnArquivoEnderecos, &QPushButton::clicked, this,
            [this] { guarded([this] { btbtnArquivoEnderecosClick(); }); });
    connect(btbtnDiretorioDestino, &QPushButton::clicked, this,
            [this] { guarded([this] { btbtnDiretorioDestinoClick(); }); });
    connect(btbtnProcessar, &QPushButton::clicked, this,
            [this] { guarded([this] { btbtnProcessarClick(); }); });
    connect(m_modoSelection, &UserSelection::changed, this,
            [this] { guarded([this] { cmbxModoChange(); }); });
    connect(m_idiomaSelection, &UserSelection::changed, this,
            [this] { guarded([this] { cmbxIdiomaChange(); }); });
    connect(m_aparenciaSelection, &UserSelection::changed, this,
            [this] { guarded([this] { cmbxAparenciaChange(); }); });
    connect(m_servicoSelection, &UserSelection::changed, this,
            [this] { guarded([this] { cmbxServicoChange(); }); });
    connect(m_modoSelection, &UserSelection::changed, this, [this] { updateBetaNotice(); });
    connect(lblKeyApi, &LinkLabel::clicked, this, [this] { guarded([this] { lblKeyApiClick(); }); });
    connect(lblEmail, &LinkLabel::clicked, this, [this] { guarded([this] { lblEmailClick(); }); });
    connect(lblURLSite, &LinkLabel::clicked, this, [this] { guarded([this] { lblURLSiteClick(); }); });
    connect(lblLeiame, &LinkLabel::clicked, this, [this] { guarded([this] { lblLeiameClick(); }); });
    connect(lblLnkColaboracao, &LinkLabel::clicked, this,
            [this] { guarded([this] { lblLnkColaboracaoClick(); }); });
}

// Edits and lists without a caption of their own are announced by their heading.
void TfrmPrincipal::updateAccessibleNames()
{
    edtArquivoEnderecos->setAccessibleName(grpbxEnderecos->title());
    edtDiretorioDestino->setAccessibleName(grpbxEnderecosDestino->title());
    edtChaveAPIGoogle->setAccessibleName(lblChaveApiGoogle->text());
    cmbxModo->setAccessibleName(lblParametroModoDeslocamento->text());
    cmbxIdioma->setAccessibleName(lblIdiomaAplicativo->text());
    cmbxAparencia->setAccessibleName(lblAparenciaAplicativo->text());
    cmbxServico->setAccessibleName(lblServicoRotas->text());
    lblTotalLinhas->setAccessibleName(lblTotalLinhas->text().trimmed());
    prgBarAtual->setAccessibleName(lblEnderecoAtual->text());
    prgBarGeral->setAccessibleName(lblProgressogeral->text());
    icoBandeira->setAccessibleName(icoBandeira->toolTip());
    lblEmail->setAccessibleDescription(Label9->text());
    lblURLSite->setAccessibleDescription(Label10->text());
}

void TfrmPrincipal::showEscapedError(const QString &message)
{
    m_errorBox->showEscapedError(this, filenames::withFullStop(message));
}

bool TfrmPrincipal::nativeDialogs() const
{
    // Platform dialogs do not follow a carried theme; Qt's own do.
    return !trajetix::ThemeManager::instance().carriedThemeActive();
}

// The links and the version label are blue, the count and Windows-version labels green,
// as designed, wherever that reads on the tab page. On a theme where it does not, the
// same hue is made lighter or darker until it does.
void TfrmPrincipal::applyDesignColours()
{
    const QColor page = pageColour();
    const QColor blue = readableOn(QColor(0, 0, 255), page);
    const QColor green = readableOn(QColor(0, 128, 0), page);
    for (QWidget *label : {static_cast<QWidget *>(lblKeyApi), static_cast<QWidget *>(lblVersao),
                           static_cast<QWidget *>(lblLeiame), static_cast<QWidget *>(lblEmail),
                           static_cast<QWidget *>(lblURLSite), static_cast<QWidget *>(lblLnkColaboracao)})
        setTextColour(label, blue);
    setTextColour(lblTotalLinhas, green);
    setTextColour(lblVersaoWindows, green);

    // The flat edits show the page through them, so their text takes the colours meant
    // for the page, not those meant for an edit's own box. The destination edit is never
    // enabled: its dimmed text must still be made out (2.5:1), whatever the look.
    QPalette flat;
    flat.setBrush(QPalette::Base, Qt::transparent);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        flat.setColor(group, QPalette::Text,
                      readableOn(palette().color(group, QPalette::WindowText), page,
                                 group == QPalette::Disabled ? 2.5 : 4.5));
    edtArquivoEnderecos->setPalette(flat);
    edtDiretorioDestino->setPalette(flat);
}

// The colour the style paints the tab pages with. Fusion, for one, works it out from the
// palette's Button colour, and it may lie far from Window.
QColor TfrmPrincipal::pageColour() const
{
    QStyleOptionTabWidgetFrame option;
    option.initFrom(pgcPrincipal);
    // The window's own palette is current here even while its children still await theirs.
    option.palette = palette();
    option.rect = QRect(0, 0, 32, 32);
    QImage image(option.rect.size(), QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Window));
    QPainter painter(&image);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, pgcPrincipal);
    painter.end();
    return image.pixelColor(option.rect.center());
}

void TfrmPrincipal::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyDesignColours();
}

void TfrmPrincipal::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The tab control follows all four edges, 8 pixels of bare window below it.
    pgcPrincipal->setGeometry(0, 0, width(), qMax(0, height() - 8));
}

void TfrmPrincipal::closeEvent(QCloseEvent *event)
{
    // A close asked for while a run holds the window would end the program under it.
    if (m_running) {
        event->ignore();
        return;
    }
    // A failed write-back abandons the close; the next close tries again.
    if (guarded([this] { FormClose(); }))
        event->accept();
    else
        event->ignore();
}

// ---- Settings: start-up and write-back --------------------------------------

void TfrmPrincipal::FormCreate()
{
    LoadStyles();

    QString caminhoarquivoenderecos;
    QString mododeslocamento = QStringLiteral("0");
    QString chaveapigoogle;
    QString idioma = QStringLiteral("0");
    QString aparencia = QStringLiteral("Windows");

    const QString fileName = m_settingsFile;
    if (QFileInfo::exists(fileName)) {
        const trajetix::ProfileFile dados(fileName);
        caminhoarquivoenderecos =
            dados.readString(trajetix::settingsSection, trajetix::keyCaminhoEnderecos, QString());
        mododeslocamento =
            dados.readString(trajetix::settingsSection, trajetix::keyModoDeslocamento, QString());
        chaveapigoogle = dados.readString(trajetix::settingsSection, trajetix::keyChaveApiGoogle, QString());
        idioma = dados.readString(trajetix::settingsSection, trajetix::keyIdioma, QString());
        aparencia = dados.readString(trajetix::settingsSection, trajetix::keyAparencia, QString());
        // The service is chosen here, before a later step can stop the sequence, so a
        // saved Routes choice is never lost at the next close. Missing or not 0 or 1: 0.
        const QString servico = dados.readString(trajetix::settingsSection, trajetix::keyServico, QString());
        int intServico = 0;
        try {
            intServico = trajetix::strToInt(servico);
        } catch (const trajetix::SettingsError &) {
            intServico = 0;
        }
        m_servicoSelection->select(int(trajetix::serviceChoiceFromIndex(intServico)));
        m_dialogInitialFolder = caminhoarquivoenderecos;
        edtChaveAPIGoogle->setText(chaveapigoogle);
    }
    edtChaveAPIGoogle->setText(chaveapigoogle);

    // A mode outside 0-2 leaves the list without a selection.
    m_modoSelection->select(trajetix::strToInt(mododeslocamento));

    // A language outside 0-6 (a hand-edited file) is taken as Portuguese, so the
    // window opens complete.
    int intIdioma = trajetix::strToInt(idioma);
    if (!trajetix::isLanguageIndex(intIdioma))
        intIdioma = trajetix::Portuguese;
    m_idiomaSelection->select(intIdioma);

    // An unknown name is reported by the theme manager; the sequence goes on.
    trajetix::ThemeManager::instance().apply(aparencia, true);
    selectActiveTheme();

    Traduzir(intIdioma);
}

void TfrmPrincipal::FormClose()
{
    const int intIdioma = qMax(0, cmbxIdioma->currentIndex());
    const int intModo = qMax(0, cmbxModo->currentIndex());
    trajetix::ProfileFile dados(m_settingsFile);
    dados.writeString(trajetix::settingsSection, trajetix::keyCaminhoEnderecos,
                      filenames::folderOf(m_dialogFileName));
    dados.writeString(trajetix::settingsSection, trajetix::keyModoDeslocamento, QString::number(intModo));
    dados.writeString(trajetix::settingsSection, trajetix::keyChaveApiGoogle, edtChaveAPIGoogle->text());
    dados.writeString(trajetix::settingsSection, trajetix::keyIdioma, QString::number(intIdioma));
    dados.writeString(trajetix::settingsSection, trajetix::keyAparencia, cmbxAparencia->currentText());
    // Not written while it is 0 and absent, so an untouched file stays as it was. A line
    // break cannot be a value read from the file: it stands for "no such key".
    const int intServico = qMax(0, cmbxServico->currentIndex());
    const QString absent = QStringLiteral("\n");
    if (intServico != 0 ||
        dados.readString(trajetix::settingsSection, trajetix::keyServico, absent) != absent)
        dados.writeString(trajetix::settingsSection, trajetix::keyServico, QString::number(intServico));
}

// ---- Languages -------------------------------------------------------------

void TfrmPrincipal::Traduzir(int idioma)
{
    if (!trajetix::isLanguageIndex(idioma))
        return; // no text set exists for it: nothing is assigned
    const int intOpcIdioma = idioma;
    const int intOpcModo = cmbxModo->currentIndex();
    const QStringList strListaModoDeslocamento = trajetix::travelModeNames(idioma);
    const QStringList strListaIdioma = trajetix::languageNames(idioma);

    m_slots = trajetix::messageSlots(idioma);

    for (const trajetix::ControlText &control : trajetix::controlTexts(idioma)) {
        const QString name = QLatin1String(control.objectName);
        QWidget *widget = findChild<QWidget *>(name);
        if (!widget)
            continue;
        if (control.kind == trajetix::ControlText::Hint) {
            widget->setToolTip(control.text);
            continue;
        }
        const int tab = pgcPrincipal->indexOf(widget);
        if (tab >= 0) {
            pgcPrincipal->setTabText(tab, control.text);
        } else if (auto *group = qobject_cast<QGroupBox *>(widget)) {
            group->setTitle(control.text);
        } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            button->setText(control.text);
        } else if (auto *label = qobject_cast<QLabel *>(widget)) {
            label->setText(control.text);
            if (!label->wordWrap())
                label->adjustSize();
        }
    }

    {
        const QSignalBlocker blocker(cmbxModo);
        cmbxModo->clear();
        cmbxModo->addItems(strListaModoDeslocamento);
    }
    m_modoSelection->select(intOpcModo);

    {
        const QSignalBlocker blocker(cmbxIdioma);
        cmbxIdioma->clear();
        for (int i = 0; i < strListaIdioma.size(); ++i)
            cmbxIdioma->addItem(flag(i), strListaIdioma.at(i));
    }
    m_idiomaSelection->select(intOpcIdioma);

    // The route-service row's texts, from their own table.
    const trajetix::ServiceTexts &serviceTexts = trajetix::serviceTexts(idioma);
    lblServicoRotas->setText(serviceTexts.lblServicoRotas);
    lblServicoRotas->adjustSize();
    const int intOpcServico = cmbxServico->currentIndex();
    {
        const QSignalBlocker blocker(cmbxServico);
        cmbxServico->clear();
        cmbxServico->addItems(serviceTexts.cmbxServico);
    }
    m_servicoSelection->select(intOpcServico);
    updateBetaNotice();

    updateAccessibleNames();
}

void TfrmPrincipal::cmbxIdiomaChange()
{
    Traduzir(cmbxIdioma->currentIndex());
}

// ---- Themes --------------------------------------------------------------------

void TfrmPrincipal::LoadStyles()
{
    cmbxAparencia->setUpdatesEnabled(false);
    struct Resume {
        QComboBox *list;
        ~Resume() { list->setUpdatesEnabled(true); }
    } resume{cmbxAparencia};

    QStringList estilos = trajetix::ThemeManager::instance().names();
    // The list keeps its entries sorted without regard to case ("Windows" before "Windows10").
    std::stable_sort(estilos.begin(), estilos.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    {
        const QSignalBlocker blocker(cmbxAparencia);
        cmbxAparencia->clear();
        cmbxAparencia->addItems(estilos);
    }
    selectActiveTheme();
}

void TfrmPrincipal::selectActiveTheme()
{
    const QString active = trajetix::ThemeManager::instance().activeName();
    // MatchFixedString compares without regard to case.
    m_aparenciaSelection->select(cmbxAparencia->findText(active, Qt::MatchFixedString));
}

void TfrmPrincipal::cmbxAparenciaChange()
{
    trajetix::ThemeManager::instance().apply(cmbxAparencia->currentText(), true);
}

// ---- Route service -----------------------------------------------------------

void TfrmPrincipal::cmbxServicoChange()
{
    updateBetaNotice();
}

void TfrmPrincipal::updateBetaNotice()
{
    // Before any language was applied the window shows its designed Portuguese texts.
    const int idioma = trajetix::isLanguageIndex(cmbxIdioma->currentIndex()) ? cmbxIdioma->currentIndex()
                                                                             : int(trajetix::Portuguese);
    const QString notice = trajetix::betaNotice(trajetix::serviceChoiceFromIndex(cmbxServico->currentIndex()),
                                                cmbxModo->currentIndex(), idioma);
    lblAvisoBeta->setText(notice);
    lblAvisoBeta->setVisible(!notice.isEmpty());
}

trajetix::RouteService &TfrmPrincipal::chosenService()
{
    if (trajetix::serviceChoiceFromIndex(cmbxServico->currentIndex()) == trajetix::ServiceChoice::Routes)
        return *m_routesApiService;
    return *m_routeService;
}

// ---- Address file and destination -----------------------------------------

void TfrmPrincipal::btbtnArquivoEnderecosClick()
{
    AddressFileDialog::Request request;
    request.initialFolder = m_dialogInitialFolder;
    request.fileName = m_dialogFileName;
    request.nativeLook = nativeDialogs();
    QStringList names;
    AddressFileDialog::Outcome outcome = AddressFileDialog::Outcome::Failed;
    try {
        outcome = m_fileDialog->choose(this, request, names);
    } catch (const std::exception &) {
        // The dialog failing is one of this handler's own failures, reported below.
    }
    if (outcome == AddressFileDialog::Outcome::Cancelled) {
        m_messages->showMessage(trajetix::MessageKind::Warning, m_slots.msgdlgbtnArquivoEnderecos);
        return;
    }
    if (outcome == AddressFileDialog::Outcome::Failed || names.isEmpty()) {
        edtArquivoEnderecos->clear();
        m_messages->showMessage(trajetix::MessageKind::Error, m_slots.msgdlgbtnArquivoEnderecosErro);
        return;
    }
    // Several names confirmed: the first is the dialog's file name, the rest is ignored.
    m_dialogFileName = names.first();

    if (!filenames::hasCsvExtension(m_dialogFileName)) {
        edtArquivoEnderecos->clear();
        lblTotalLinhas->clear();
        lblTotalLinhas->adjustSize();
        btbtnProcessar->setEnabled(false);
        btbtnDiretorioDestino->setEnabled(false);
        return;
    }
    edtArquivoEnderecos->setText(m_dialogFileName);
    const std::optional<int> count = TotalLinhas();
    if (!count) {
        edtArquivoEnderecos->clear();
        m_messages->showMessage(trajetix::MessageKind::Error, m_slots.msgdlgbtnArquivoEnderecosErro);
        return;
    }
    lblTotalLinhas->setText(QString::number(*count) + m_slots.msglblTotalLinhas);
    lblTotalLinhas->adjustSize();
    lblTotalLinhas->setAccessibleName(lblTotalLinhas->text().trimmed());
    btbtnDiretorioDestino->setEnabled(true);
    btbtnProcessar->setEnabled(true);
}

std::optional<int> TfrmPrincipal::TotalLinhas()
{
    const std::optional<int> count = trajetix::countAddressLines(edtArquivoEnderecos->text());
    if (!count)
        return std::nullopt;
    intTotal = *count;
    // The one place where the events waiting meanwhile get their turn.
    QCoreApplication::processEvents();
    return intTotal;
}

bool TfrmPrincipal::BrowseForFolder(QString &folder, const QString &title)
{
    const QString chosen = m_folderChooser->choose(this, title, nativeDialogs());
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}

void TfrmPrincipal::btbtnDiretorioDestinoClick()
{
    if (!BrowseForFolder(strPath, m_slots.msgBrowseFolder)) {
        m_messages->showMessage(trajetix::MessageKind::Warning, m_slots.msgdlgbtnProcessar);
        return;
    }
    const QString name = filenames::resultName(
        m_dialogFileName, m_slots.msgbtnDiretorioDestinoNomeArquivoFinal, cmbxModo->currentText());
    edtDiretorioDestino->setText(filenames::inFolder(strPath, name));
    btbtnProcessar->setEnabled(true);
}

void TfrmPrincipal::cmbxModoChange()
{
    if (edtArquivoEnderecos->text().trimmed().isEmpty())
        return;
    strPath = filenames::folderOf(m_dialogFileName);
    // Beside the address file the marker is the Portuguese one, whatever the language.
    const QString name =
        filenames::resultName(m_dialogFileName, QStringLiteral("-Processado-"), cmbxModo->currentText());
    edtDiretorioDestino->setText(filenames::inFolder(strPath, name));
}

// ---- The run ---------------------------------------------------------------

void TfrmPrincipal::btbtnProcessarClick()
{
    trajetix::BatchInput input;
    input.key = edtChaveAPIGoogle->text();
    input.resultPath = edtDiretorioDestino->text();
    input.addressPath = edtArquivoEnderecos->text();
    input.modeIndex = cmbxModo->currentIndex();
    input.lineCount = intTotal;

    // One run at a time, holding the window: input is dropped until it ends, and a
    // close asked for meanwhile is refused.
    const RunInputBlock block;
    m_running = true;
    struct Done {
        bool &running;
        ~Done() { running = false; }
    } done{m_running};
    trajetix::BatchRun run(chosenService(), *m_messages, *m_progress, m_slots);
    run.run(input);
}

// ---- Links -----------------------------------------------------------------

void TfrmPrincipal::lblKeyApiClick()
{
    // How to make a key for the service chosen: a new Cloud project needs the Routes API.
    const bool routes =
        trajetix::serviceChoiceFromIndex(cmbxServico->currentIndex()) == trajetix::ServiceChoice::Routes;
    m_linkOpener->open(QUrl(routes ? routesKeyHelpPage() : keyHelpPage()));
}

void TfrmPrincipal::lblEmailClick()
{
    m_linkOpener->open(QUrl(QStringLiteral("mailto:") + lblEmail->text()));
}

void TfrmPrincipal::lblURLSiteClick()
{
    m_linkOpener->open(QUrl(lblURLSite->text()));
}

void TfrmPrincipal::lblLeiameClick()
{
    // Looked for in the current working folder, not beside the executable.
    m_linkOpener->open(QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("Readme.txt"))));
}

void TfrmPrincipal::lblLnkColaboracaoClick()
{
    m_linkOpener->open(QUrl(donationPage()));
}
