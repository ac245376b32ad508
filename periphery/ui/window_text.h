#pragma once
// Texts of the message table as the window shows them: through Qt's translators (context
// "Messages", the German text as source), so that the English translation replaces them.

#include <QCoreApplication>
#include <QString>
#include <string>

#include "common/messages.h"

namespace tagforge::ui {

inline QString MessageQ(int id) {
    return QCoreApplication::translate("Messages", GermanMessageText(id));
}

inline QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

// A line break of a multi-line field is CR LF in the write text, on the transponder and in data
// files, as on the platform the file formats come from; Qt's fields hold LF.
inline QString FieldToCrLf(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

inline QString CrLfToField(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

}  // namespace tagforge::ui
