#include "main/QtEffects.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

namespace {

// Centres itself on the screen of its owner (or the primary screen) when shown.
class CentredMessageBox : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
};

QMessageBox::Icon iconOf(trajetix::MessageKind kind)
{
    switch (kind) {
    case trajetix::MessageKind::Warning:
        return QMessageBox::Warning;
    case trajetix::MessageKind::Error:
        return QMessageBox::Critical;
    case trajetix::MessageKind::Information:
        break;
    }
    return QMessageBox::Information;
}

} // namespace

QMessageBox *makeMessageBox(QWidget *owner, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    auto *box = new CentredMessageBox(owner);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->setWindowModality(Qt::ApplicationModal);
    box->setIcon(icon);
    box->setWindowTitle(title);
    box->setText(text);
    box->setTextFormat(Qt::PlainText);
    QPushButton *ok = box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    return box;
}

void QtMessageSink::showMessage(trajetix::MessageKind kind, const QString &text)
{
    std::unique_ptr<QMessageBox> box(
        makeMessageBox(m_owner, iconOf(kind), trajetix::messageKindTitle(kind), text));
    box->exec();
}

void QtAddressFileDialog::configure(QFileDialog &dialog, const Request &request)
{
    // Qt's own dialog matches file patterns without regard to case, a platform dialog
    // may not: the bracket pattern matches .csv in any case everywhere. The pattern
    // stays hidden; the filter shows only its name.
    dialog.setNameFilter(QStringLiteral("Arquivos CSV (*.[cC][sS][vV])"));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, !request.nativeLook);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setDirectory(request.initialFolder);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
}

AddressFileDialog::Outcome QtAddressFileDialog::choose(QWidget *owner, const Request &request,
                                                       QStringList &fileNames)
{
    QFileDialog dialog(owner);
    dialog.setWindowModality(Qt::ApplicationModal);
    configure(dialog, request);
    if (dialog.exec() != QDialog::Accepted)
        return Outcome::Cancelled;
    fileNames = dialog.selectedFiles();
    return fileNames.isEmpty() ? Outcome::Failed : Outcome::Confirmed;
}

QString QtFolderChooser::choose(QWidget *owner, const QString &title, bool nativeLook)
{
    // Modal to the window: handlers cannot run inside this one while it waits (the
    // window closing, a run starting). Read-only: no button that makes a folder.
    QFileDialog::Options options = QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly;
    if (!nativeLook)
        options |= QFileDialog::DontUseNativeDialog;
    const QString folder = QFileDialog::getExistingDirectory(owner, title, QDir::homePath(), options);
    if (folder.isEmpty())
        return QString();
    // Only a folder of the file system counts: a path that names no folder here
    // (a remote location of the platform dialog) is as good as a cancel.
    const QString clean = QDir::cleanPath(folder);
    return QFileInfo(clean).isDir() ? clean : QString();
}

void QtEscapedErrorBox::showEscapedError(QWidget *owner, const QString &text)
{
    std::unique_ptr<QMessageBox> box(
        makeMessageBox(owner, QMessageBox::Critical, QStringLiteral("Trajetix"), text));
    box->exec();
}

void DesktopLinkOpener::open(const QUrl &target)
{
    QDesktopServices::openUrl(target);
}
