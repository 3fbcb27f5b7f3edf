#pragma once

#include <QList>
#include <QPair>
#include <QQueue>
#include <QStringList>
#include <QUrl>

#include <stdexcept>

#include "i18n/Messages.h"
#include "main/WindowEffects.h"
#include "main/untPrincipal.h"
#include "themes/ThemeManager.h"

// Records every message instead of showing a box.
class FakeMessages : public trajetix::MessageSink {
  public:
    void showMessage(trajetix::MessageKind kind, const QString &text) override { shown.append({kind, text}); }
    QList<QPair<trajetix::MessageKind, QString>> shown;
};

// Answers each showing with the next queued answer (cancel when none is left).
class FakeFileDialog : public AddressFileDialog {
  public:
    struct Answer {
        Outcome outcome;
        QStringList names;
        bool throws = false;
    };
    void confirm(const QStringList &names) { answers.enqueue({Outcome::Confirmed, names}); }
    void cancel() { answers.enqueue({Outcome::Cancelled, {}}); }
    void fail() { answers.enqueue({Outcome::Failed, {}}); }
    void throwError() { answers.enqueue({Outcome::Failed, {}, true}); }

    Outcome choose(QWidget *, const Request &request, QStringList &fileNames) override
    {
        requests.append(request);
        const Answer answer = answers.isEmpty() ? Answer{Outcome::Cancelled, {}} : answers.dequeue();
        if (answer.throws)
            throw std::runtime_error("dialog broke");
        fileNames = answer.names;
        return answer.outcome;
    }
    QQueue<Answer> answers;
    QList<Request> requests;
};

// Answers with the next queued folder; an empty one stands for a cancel.
class FakeFolderChooser : public FolderChooser {
  public:
    QString choose(QWidget *, const QString &title, bool) override
    {
        titles.append(title);
        return folders.isEmpty() ? QString() : folders.dequeue();
    }
    QQueue<QString> folders;
    QStringList titles;
};

class FakeErrorBox : public EscapedErrorBox {
  public:
    void showEscapedError(QWidget *, const QString &text) override { texts.append(text); }
    QStringList texts;
};

class FakeLinkOpener : public LinkOpener {
  public:
    void open(const QUrl &target) override
    {
        opened.append(target);
        if (!throwMessage.isNull())
            throw std::runtime_error(throwMessage.toStdString());
    }
    QList<QUrl> opened;
    QString throwMessage; // when set, opening throws with it
};

// Records the theme manager's "not found" reports instead of showing a box.
class FakeThemeErrors : public trajetix::ThemeErrorReporter {
  public:
    void reportMissingTheme(const QString &message) override { reports.append(message); }
    QStringList reports;
};

// All fakes of one window.
struct Fakes {
    FakeMessages messages;
    FakeFileDialog fileDialog;
    FakeFolderChooser folderChooser;
    FakeErrorBox errorBox;
    FakeLinkOpener linkOpener;

    WindowOptions options()
    {
        WindowOptions o;
        o.effects.messages = &messages;
        o.effects.fileDialog = &fileDialog;
        o.effects.folderChooser = &folderChooser;
        o.effects.errorBox = &errorBox;
        o.effects.linkOpener = &linkOpener;
        return o;
    }
};
