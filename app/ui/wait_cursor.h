#pragma once
// The wait cursor for the lifetime of the object.

#include <QCursor>
#include <QGuiApplication>

namespace tagforge::ui {

class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace tagforge::ui
