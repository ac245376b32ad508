#pragma once
// Texts of the message table as the window shows them: through Qt's translator (context
// "Messages"), so that a translation with the same ids can replace them.

#include <QCoreApplication>
#include <QString>
#include <string>

#include "app/core/messages.h"

namespace tagforge::ui {

inline QString MessageQ(int id) {
    return QCoreApplication::translate("Messages", MessageText(id));
}

inline QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

}  // namespace tagforge::ui
