#include "app/ui/language.h"

#include <QCoreApplication>

#include "app/i18n/translation.h"
#include "app/ui/qt_texts.h"
#include "common/messages.h"

namespace tagforge::ui {

Translations::Translations(QStringList directories) : m_directories(std::move(directories)) {
    i18n::TranslateMessages(nullptr);
}

Translations::~Translations() {
    QCoreApplication::removeTranslator(&m_english);
    QCoreApplication::removeTranslator(&m_qtTexts);
    SetMessageTranslator(nullptr);
}

void Translations::Select(int language) {
    if (language > 0 && !m_englishInstalled) {
        // Loaded once; a later switch back to English installs the same texts again.
        m_englishLoaded = m_englishLoaded || i18n::LoadEnglish(m_english, m_directories);
        m_englishInstalled = m_englishLoaded && QCoreApplication::installTranslator(&m_english);
    } else if (language <= 0 && m_englishInstalled) {
        QCoreApplication::removeTranslator(&m_english);
        m_englishInstalled = false;
    }
    SelectQtTexts(m_qtTexts, !m_englishInstalled);
    // Message-table texts looked up in the other language are dropped.
    i18n::TranslateMessages(nullptr);
}

}  // namespace tagforge::ui
