#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace trajetix {
class MessageSink;
}

// What the main window does to the world outside itself, each behind a small
// interface: the window gets real Qt implementations, tests hand it fakes.

// The open dialog of the address file. The window keeps the dialog's state (initial
// folder, last confirmed name) and hands it over at each showing.
class AddressFileDialog {
  public:
    enum class Outcome { Confirmed, Cancelled, Failed };

    struct Request {
        QString initialFolder;  // where the dialog starts
        QString fileName;       // the last confirmed name, shown pre-filled
        bool nativeLook = true; // false while a carried theme is active: Qt's own dialog, themed
    };

    virtual ~AddressFileDialog() = default;
    // Shows the dialog modally. On Confirmed, fileNames holds the confirmed names,
    // the first one being the one the program uses.
    virtual Outcome choose(QWidget *owner, const Request &request, QStringList &fileNames) = 0;
};

// The folder chooser of the destination.
class FolderChooser {
  public:
    virtual ~FolderChooser() = default;
    // Shows the chooser with title as its heading. Returns the chosen folder's path
    // (the root as "/", others without a trailing separator), or an empty text when
    // cancelled or when no file-system path was obtained.
    virtual QString choose(QWidget *owner, const QString &title, bool nativeLook) = 0;
};

// The box for an error that escaped an event handler: title "Trajetix", error icon, OK.
class EscapedErrorBox {
  public:
    virtual ~EscapedErrorBox() = default;
    virtual void showEscapedError(QWidget *owner, const QString &text) = 0;
};

// Hands a file, web or mailto address to the desktop's default handler. Whether that
// worked is not examined.
class LinkOpener {
  public:
    virtual ~LinkOpener() = default;
    virtual void open(const QUrl &target) = 0;
};

// The effects a window is built with. A null member means the real Qt implementation.
// None is owned by the window.
struct WindowEffects {
    trajetix::MessageSink *messages = nullptr;
    AddressFileDialog *fileDialog = nullptr;
    FolderChooser *folderChooser = nullptr;
    EscapedErrorBox *errorBox = nullptr;
    LinkOpener *linkOpener = nullptr;
};
