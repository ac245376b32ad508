// The settings window "Einstellungen" from the main window's system menu, the label and picture
// controls of the About window, and the About window's menu entry.

#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include "app/ui/about_dlg.h"
#include "app/ui/beep_time_dlg.h"
#include "app/ui/controls/bitmap_static.h"
#include "app/ui/controls/label.h"
#include "common/messages.h"
#include "tests/app_ui/window_fixture.h"

namespace tagforge::ui::test {

namespace {

QLineEdit* Field(QDialog& dialog, const char* name) {
    return dialog.findChild<QLineEdit*>(name);
}

// Runs the settings window from the system menu; `edit` fills it in and closes it.
void RunSettings(SimulatedWindow& sim, const std::function<void(CBeepTimeDlg&)>& edit) {
    sim.prompts.runModal = [&](QDialog& dialog) {
        auto* settings = dynamic_cast<CBeepTimeDlg*>(&dialog);
        if (settings == nullptr) {
            return int(QDialog::Rejected);
        }
        settings->show();
        edit(*settings);
        return settings->result();
    };
    sim.window->SystemCommand(CVESMOR_TagforgeDlg::kCommandSettings);
}

void Fill(CBeepTimeDlg& dialog, const QString& beep, const QString& cycle) {
    Field(dialog, "editTondauer")->setText(beep);
    Field(dialog, "editZykluszeit")->setText(cycle);
}

}  // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void aFreshProfileShowsTheDefaultsTheMainWindowWrote() {
        SimulatedWindow sim;
        sim.Open();
        QString shown;
        RunSettings(sim, [&](CBeepTimeDlg& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Einstellungen"));
            shown = Field(dialog, "editTondauer")->text() + "/" +
                    Field(dialog, "editZykluszeit")->text();
            dialog.reject();
        });
        QCOMPARE(shown, QString("300/250"));
    }

    void zeroBeepIsAcceptedAndTheMainWindowReadsBothKeysAgain() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        RunSettings(sim, [](CBeepTimeDlg& dialog) {
            Fill(dialog, "0", "1200");
            dialog.findChild<QPushButton*>("buttonOk")->click();
        });
        QVERIFY(sim.prompts.messages.isEmpty());
        QCOMPARE(sim.profile.ReadInt("Settings", "BeepTime", -1), 0);
        QCOMPARE(sim.profile.ReadInt("Settings", "ZyklusZeit", -1), 1200);
        QCOMPARE(window.Engine().Settings().BeepTime, 0);
        QCOMPARE(window.Engine().Settings().ZyklusZeit, 1200);
    }

    void aCyclePeriodOf50IsRefusedAndTheWindowStaysOpen() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        bool stillOpen = false;
        QWidget* focused = nullptr;
        RunSettings(sim, [&](CBeepTimeDlg& dialog) {
            Fill(dialog, "100", "50");
            dialog.findChild<QPushButton*>("buttonOk")->click();
            stillOpen = dialog.isVisible();
            focused = dialog.focusWidget();
            QVERIFY(focused == Field(dialog, "editZykluszeit"));
            dialog.reject();
        });
        QVERIFY(stillOpen);
        QCOMPARE(sim.prompts.messages,
                 QStringList{"Geben Sie eine ganze Zahl zwischen 100 und 10000 ein."});
        QCOMPARE(sim.profile.ReadInt("Settings", "ZyklusZeit", -1), 250);
        QCOMPARE(sim.profile.ReadInt("Settings", "BeepTime", -1), 300);
        QCOMPARE(window.Engine().Settings().ZyklusZeit, 250);
    }

    void aBeepThatIsNoNumberIsRefused() {
        SimulatedWindow sim;
        sim.Open();
        RunSettings(sim, [](CBeepTimeDlg& dialog) {
            Fill(dialog, "kurz", "250");
            dialog.findChild<QPushButton*>("buttonOk")->click();
            dialog.reject();
        });
        QCOMPARE(sim.prompts.messages, QStringList{"Geben Sie eine positive ganze Zahl ein."});
    }

    void cancelWritesNothing() {
        SimulatedWindow sim;
        sim.Open();
        RunSettings(sim, [](CBeepTimeDlg& dialog) {
            Fill(dialog, "999", "9999");
            dialog.findChild<QPushButton*>("buttonCancel")->click();
        });
        QCOMPARE(sim.profile.ReadInt("Settings", "BeepTime", -1), 300);
        QCOMPARE(sim.profile.ReadInt("Settings", "ZyklusZeit", -1), 250);
    }

    void theAboutEntryOpensTheAboutWindow() {
        qputenv("VESMOR_UPDATE_URL", "https://127.0.0.1:9/rfid/software/RFIDVersionsHF.txt");
        SimulatedWindow sim;
        auto& window = sim.Open();
        QString title;
        sim.prompts.runModal = [&](QDialog& dialog) {
            title = dialog.windowTitle();
            return int(QDialog::Accepted);
        };
        window.SystemCommand(CVESMOR_TagforgeDlg::kCommandAbout);
        QCOMPARE(title, QString("Info über VESMOR Tagforge"));
        QCOMPARE(window.result(), 0);                                // the program goes on
        QCOMPARE(sim.profile.ReadInt("Version", "Update", -1), -1);  // no OK or cancel happened
    }

    void aNewLabelHasTheWindowLookAndNoLink() {
        CLabel label;
        QCOMPARE(label.TextColor(), QApplication::palette().color(QPalette::WindowText));
        QVERIFY(!label.IsLink());
        QVERIFY(!label.testAttribute(Qt::WA_SetCursor));
        label.SetText(tagforge::kMsgProgramTitle)
            .SetFontBold(true)
            .SetFontItalic(true)
            .SetFontSize(20);
        QCOMPARE(label.text(), QString("VESMOR Tagforge"));
        QVERIFY(label.font().bold());
        QVERIFY(label.font().italic());
        QCOMPARE(label.font().pixelSize(), 20);
    }

    void aLinkWithoutCursorShowsTheNormalCursor() {
        QWidget window;
        CLabel label(&window);
        label.SetLink(true);
        QVERIFY(!label.testAttribute(Qt::WA_SetCursor));
        QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
        label.SetLinkCursor(QCursor(Qt::PointingHandCursor));
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
        label.SetLinkCursor(std::nullopt);
        QVERIFY(!label.testAttribute(Qt::WA_SetCursor));
        QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
    }

    void aClickOnALabelThatIsNoAddressStillReachesTheWindow() {
        CLabel label;
        QList<QUrl> opened;
        label.SetOpener([&](const QUrl& url) { opened << url; });
        label.SetText("Nach Update suchen").SetLink(true);
        label.show();
        int clicks = 0;
        connect(&label, &CLabel::clicked, [&] { ++clicks; });
        QTest::mouseClick(&label, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QVERIFY(opened.isEmpty());
        label.SetLink(false);
        QTest::mouseClick(&label, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }

    void labelAddressesAreWebAndMailAddressesOnly() {
        QCOMPARE(CLabel::AddressOf("https://www.vek-applikationen.example"),
                 QUrl("https://www.vek-applikationen.example"));
        QCOMPARE(CLabel::AddressOf("info@vek-applikationen.example"),
                 QUrl("mailto:info@vek-applikationen.example"));
        QVERIFY(CLabel::AddressOf("Nach Update suchen").isEmpty());
        QVERIFY(CLabel::AddressOf("file:///etc/passwd").isEmpty());
        QVERIFY(CLabel::AddressOf("Neue Version:VESMOR Tagforge V 1.2 (2026-01-01)").isEmpty());
    }

    void aTransparentPictureLeavesOutItsWhitePixels() {
        QWidget background;
        background.setAutoFillBackground(true);
        QPalette red = background.palette();
        red.setColor(QPalette::Window, QColor(255, 0, 0));
        background.setPalette(red);
        background.resize(20, 10);
        QImage image(10, 10, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setPixelColor(2, 2, QColor(0, 0, 128));
        image.setPixelColor(3, 3, QColor(254, 255, 255));
        CBitmapStatic plain(&background);
        CBitmapStatic transparent(&background);
        for (CBitmapStatic* picture : {&plain, &transparent}) {
            picture->setPixmap(QPixmap::fromImage(image));
            picture->resize(10, 10);
        }
        transparent.move(10, 0);
        transparent.SetTransparent(true);
        const QImage shown = background.grab().toImage();
        QCOMPARE(shown.pixelColor(0, 0), QColor(255, 255, 255));
        QCOMPARE(shown.pixelColor(10, 0), QColor(255, 0, 0));
        QCOMPARE(shown.pixelColor(12, 2), QColor(0, 0, 128));
        QCOMPARE(shown.pixelColor(13, 3), QColor(254, 255, 255));
    }
};

}  // namespace tagforge::ui::test

QTEST_MAIN(tagforge::ui::test::SettingsWindowTest)
#include "settings_window_test.moc"
