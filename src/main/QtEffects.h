#pragma once

#include "i18n/Messages.h"
#include "main/WindowEffects.h"

#include <QMessageBox>

class QFileDialog;

// The real effects of the main window, drawn by Qt.

// A message box of the program: English kind title, the kind's icon, the text and
// one default "OK" button that Enter, Esc and the close box also trigger; modal and
// centred on the screen. Built apart from showing it so its look can be checked.
QMessageBox *makeMessageBox(QWidget *owner, QMessageBox::Icon icon, const QString &title,
                            const QString &text);

class QtMessageSink : public trajetix::MessageSink {
  public:
    explicit QtMessageSink(QWidget *owner) : m_owner(owner) {}
    void showMessage(trajetix::MessageKind kind, const QString &text) override;

  private:
    QWidget *m_owner;
};

class QtAddressFileDialog : public AddressFileDialog {
  public:
    Outcome choose(QWidget *owner, const Request &request, QStringList &fileNames) override;

    // Sets up a dialog as the address-file dialog: filter "Arquivos CSV" matching
    // *.CSV in any case, default suffix csv, several existing files, initial folder
    // and pre-filled name from the request.
    static void configure(QFileDialog &dialog, const Request &request);
};

class QtFolderChooser : public FolderChooser {
  public:
    QString choose(QWidget *owner, const QString &title, bool nativeLook) override;
};

class QtEscapedErrorBox : public EscapedErrorBox {
  public:
    void showEscapedError(QWidget *owner, const QString &text) override;
};

class DesktopLinkOpener : public LinkOpener {
  public:
    void open(const QUrl &target) override;
};
