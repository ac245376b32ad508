// Renders the main window offscreen, connected to a simulated reader with one transponder, in
// each data format after a write and a read, and once with a write cycle running. The pictures
// go to the directory given as the first argument.

#include <QApplication>
#include <QTest>
#include <cstdio>

#include "app/ui/wait_hooks_qt.h"
#include "tests/app_ui/grab_to_file.h"
#include "tests/app_ui/window_fixture.h"

namespace {

using tagforge::ui::test::GrabToFile;
using tagforge::ui::test::SimulatedWindow;

struct Shot {
    int format;
    const char* value;
    bool affix;  // "Zusatztext zulassen"
};

constexpr Shot kShots[] = {
    {0, "1A2B", false},   {1, "AB-0099", true},      {2, "4711", false},
    {3, "000042", false}, {4, "01 02 0A FF", false}, {5, "Tagforge", false},
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const tagforge::ui::test::RenderLanguage language;
    const QString directory = tagforge::ui::test::ScreenshotDirectory(argc, argv);
    const tagforge::ui::UiWaitHooks hooks;
    SimulatedWindow sim;
    sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp);
    auto& window = sim.Open();
    window.resize(window.minimumSize());
    window.show();
    bool ok = true;
    for (const Shot& shot : kShots) {
        sim.Click(("radioFormat" + std::to_string(shot.format)).c_str());
        sim.Control<QLineEdit>("editByteanzahl")->setText("8");
        QTest::keyClick(sim.Control<QLineEdit>("editByteanzahl"), Qt::Key_Tab);
        if (sim.Control<QAbstractButton>("checkPrefix")->isChecked() != shot.affix) {
            sim.Click("checkPrefix");
        }
        const bool multi = shot.format >= 4;
        if (multi) {
            sim.Control<QPlainTextEdit>("editWriteMulti")->setPlainText(shot.value);
        } else {
            sim.Control<QLineEdit>("editWrite")->setText(shot.value);
        }
        sim.Click("buttonWriteOnce");
        sim.Click("buttonReadOnce");
        ok &= GrabToFile(
            window, language.File(directory, QString("main_window_format%1").arg(shot.format)));
    }
    sim.Click("radioFormat0");
    sim.Click("buttonWriteCycle");
    QTest::qWait(600);
    ok &= GrabToFile(window, language.File(directory, "main_window_write_cycle"));
    sim.Click("buttonWriteCycle");
    for (const QString& message : sim.prompts.messages) {
        std::printf("message box: %s\n", qPrintable(message));
    }
    return ok ? 0 : 1;
}
