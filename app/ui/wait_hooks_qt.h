#pragma once
// Keeps the window alive while the library waits for a reader (or a beep plays): the window
// that was active takes no input meanwhile, events are processed so that it repaints and its
// timers tick, and the focus returns to where it was.

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tagforge::ui {

class UiWaitHooks final : public QObject {
  public:
    // Installs the hooks in the library for the lifetime of the object (one at a time).
    UiWaitHooks();
    ~UiWaitHooks() override;

    // Blocks input to the active window until the matching End().
    static void Begin();
    static void Pump();
    static void End();

    // A control that keeps taking input while a wait blocks its window, such as the button that
    // stops the work that waits; nullptr for none.
    static void AllowDuringWaits(QWidget* control);

    // Begin() for its lifetime, with Pump() between.
    class Scope {
      public:
        Scope() { Begin(); }
        ~Scope() { End(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int m_depth = 0;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focus;
    QPointer<QWidget> m_allowed;
};

}  // namespace tagforge::ui
