#pragma once
// The window's language: the English translation when `Sprache` asks for it and the file is
// there, German otherwise (without a word when the file is missing). Qt's own texts (message
// box buttons, file dialogs) follow.

#include <QStringList>
#include <QTranslator>

namespace tagforge::ui {

class Translations {
  public:
    // `directories`: where the English translation may lie (program and share directory).
    explicit Translations(QStringList directories);
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // `Sprache` above 0: English when the translation loads; anything else: German.
    void Select(int language);
    bool English() const { return m_englishInstalled; }

  private:
    QStringList m_directories;
    QTranslator m_english;
    QTranslator m_qtTexts;
    bool m_englishLoaded = false;
    bool m_englishInstalled = false;
};

}  // namespace tagforge::ui
