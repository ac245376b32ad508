#pragma once
// The application object: selects the profile and the language, runs the main window modally and
// creates it again until it is closed for good.

#include <QApplication>
#include <QTranslator>

namespace tagforge::ui {

class CVESMOR_TagforgeApp {
  public:
    CVESMOR_TagforgeApp(int& argc, char** argv);
    int Run();

  private:
    // `Sprache` above 0 loads the English translation when there is one; German otherwise.
    void SelectLanguage(int language);

    QApplication m_application;
    QTranslator m_english;
    QTranslator m_qtTexts;
    bool m_englishInstalled = false;
};

}  // namespace tagforge::ui
