#include "app/ui/qt_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace tagforge::ui {

void SelectQtTexts(QTranslator& translator, bool german) {
    QCoreApplication::removeTranslator(&translator);
    if (german &&
        translator.load("qtbase_de", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&translator);
    }
}

}  // namespace tagforge::ui
