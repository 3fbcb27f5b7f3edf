#pragma once

#include <QObject>

class QEvent;

// Drops the user's input while a run holds the window: installed on the application
// for the run's duration, it eats mouse, key, wheel, touch and shortcut events, so
// nothing is queued and nothing is replayed once the run ends. The painting goes on.
// Input to a modal box opened during the run (the run's own messages) passes, so the
// user can dismiss it.
class RunInputFilter : public QObject {
    Q_OBJECT
  public:
    explicit RunInputFilter(QObject *parent = nullptr) : QObject(parent) {}

    static bool isUserInput(int eventType);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// Installs a RunInputFilter on the application for as long as it lives.
class RunInputBlock {
  public:
    RunInputBlock();
    ~RunInputBlock();
    RunInputBlock(const RunInputBlock &) = delete;
    RunInputBlock &operator=(const RunInputBlock &) = delete;

  private:
    RunInputFilter m_filter;
};
