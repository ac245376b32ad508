#pragma once
// A wait on the user-interface thread: paint, timer and posted events go on, the user's input
// waits.

#include <QEventLoop>
#include <QTimer>

namespace tagforge::ui {

inline void WaitWithoutInput(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace tagforge::ui
