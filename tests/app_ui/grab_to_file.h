#pragma once
// Pictures of windows for review: where they go, and saving one.

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdio>

#include "app/ui/language.h"

namespace tagforge::ui::test {

// The language a render tool draws in: German, or English with VESMOR_RENDER_LANG=en (the
// built translation in VESMOR_TRANSLATION_DIR); English pictures get "_en" before ".png".
class RenderLanguage {
  public:
    RenderLanguage()
        : m_english(qgetenv("VESMOR_RENDER_LANG") == "en"),
          m_translations({VESMOR_TRANSLATION_DIR}) {
        m_translations.Select(m_english ? 1 : 0);
        Current() = this;
        if (m_english && !m_translations.English()) {
            std::fprintf(stderr, "no English translation in %s\n", VESMOR_TRANSLATION_DIR);
        }
    }
    // The render tool's language object (one per tool, made after its QApplication).
    static const RenderLanguage*& Current() {
        static const RenderLanguage* current = nullptr;
        return current;
    }
    // "name.png" in the drawn language.
    QString File(const QString& directory, const QString& name) const {
        return directory + "/" + name + (m_english ? "_en.png" : ".png");
    }

  private:
    bool m_english;
    Translations m_translations;
};

// directory + "/name.png" in the language of the tool's RenderLanguage.
inline QString ShotFile(const QString& directory, const QString& name) {
    return RenderLanguage::Current()->File(directory, name);
}

// The directory named by the render tool's first argument (default "screenshots"), made if
// needed.
inline QString ScreenshotDirectory(int argc, char** argv) {
    const QString directory = argc > 1 ? argv[1] : "screenshots";
    QDir().mkpath(directory);
    return directory;
}

// Saves a picture of a window and says where it went.
inline bool GrabToFile(QWidget& window, const QString& path) {
    QApplication::processEvents();
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

}  // namespace tagforge::ui::test
