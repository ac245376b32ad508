#include "app/ui/wait_hooks_qt.h"

#include <QApplication>
#include <QEvent>

#include "vesmor.h"

namespace tagforge::ui {

namespace {

UiWaitHooks* g_blocker = nullptr;

// Input that would act on the window; paint, timer and layout events pass.
bool IsUserInput(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

void BeginHook(void*) {
    UiWaitHooks::Begin();
}
void PumpHook(void*) {
    UiWaitHooks::Pump();
}
void EndHook(void*) {
    UiWaitHooks::End();
}

}  // namespace

UiWaitHooks::UiWaitHooks() {
    g_blocker = this;
    VESMOR_SetWaitHooks(BeginHook, PumpHook, EndHook, nullptr);
}

UiWaitHooks::~UiWaitHooks() {
    VESMOR_SetWaitHooks(nullptr, nullptr, nullptr, nullptr);
    if (m_depth > 0) {
        qApp->removeEventFilter(this);
    }
    g_blocker = nullptr;
}

void UiWaitHooks::Begin() {
    if (!g_blocker || g_blocker->m_depth++ > 0) {
        return;
    }
    QWidget* active = QApplication::activeWindow();
    g_blocker->m_window = active ? active : QApplication::activeModalWidget();
    g_blocker->m_focus = QApplication::focusWidget();
    qApp->installEventFilter(g_blocker);
}

void UiWaitHooks::Pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void UiWaitHooks::End() {
    if (!g_blocker || g_blocker->m_depth == 0 || --g_blocker->m_depth > 0) {
        return;
    }
    qApp->removeEventFilter(g_blocker);
    if (g_blocker->m_focus) {
        g_blocker->m_focus->setFocus();
    }
    g_blocker->m_window.clear();
    g_blocker->m_focus.clear();
}

void UiWaitHooks::AllowDuringWaits(QWidget* control) {
    if (g_blocker) {
        g_blocker->m_allowed = control;
    }
}

bool UiWaitHooks::eventFilter(QObject* watched, QEvent* event) {
    if (!m_window || !IsUserInput(event) || !watched->isWidgetType() ||
        (m_allowed && watched == m_allowed)) {
        return false;
    }
    return static_cast<QWidget*>(watched)->window() == m_window;
}

}  // namespace tagforge::ui
