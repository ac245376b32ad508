// The main window reaches its reader through the interface selection window: the stored
// interface at start, the window shown until a reader connects or the user cancels, and
// "Schnittstelle wählen". The reader is a simulator on a pseudo-terminal, which no device list
// shows: at start it is the stored name, in the window a listed entry of the test.

#include <QListWidget>
#include <QTest>

#include "app/ui/wait_hooks_qt.h"
#include "tests/app_ui/window_fixture.h"
#include "tests/periphery_ui/dialog_fixture.h"

namespace tagforge::ui::test {

namespace {

constexpr const char* kMissingPort = "/dev/vesmor-test-missing";

// The window with its reader listed among the serial ports, after a port that is not there.
struct ListedWindow : SimulatedWindow {
    ListedWindow() {
        listed.Present(InterfaceKind::kSerial, {kMissingPort, link.Path()});
        interfaces = &listed;
    }

    // The user picks `entries` in turn, one per showing of the interface selection window,
    // each with OK; then cancels.
    void Choose(QStringList entries) {
        prompts.runModal = [entries](QDialog& dialog) mutable {
            if (entries.isEmpty()) {
                return int(QDialog::Rejected);
            }
            dialog.show();
            QApplication::processEvents();
            auto* list = dialog.findChild<QListWidget*>("listInterfaces");
            const QListWidgetItem* item = list->findItems(entries.takeFirst(), Qt::MatchExactly)[0];
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(item).center());
            dialog.findChild<QAbstractButton*>("buttonOk")->click();
            return dialog.result();
        };
    }

    QString Reader() const { return QString::fromStdString(link.Path()); }

    tagforge::test::DeviceTree devices;  // no devices, no missing drivers
    tagforge::test::ListedInterfaces listed;
};

}  // namespace

class InterfaceChoiceTest : public QObject {
    Q_OBJECT

  private slots:
    void storedReaderOutsideEveryListConnectsWithoutShowingTheWindow() {
        ListedWindow sim;
        auto& window = sim.Open();
        QVERIFY(window.Connection().IsOpen());
        QCOMPARE(sim.prompts.modalRuns, 0);
        QVERIFY(window.windowTitle().contains("<VMR-20 PB " + sim.Reader() + ":1  FW V1.07>"));
    }

    void failedConnectionShowsTheWindowUntilAReaderConnects() {
        ListedWindow sim;
        sim.profile.WriteString("Port", "Name", kMissingPort);
        sim.profile.WriteInt("Port", "Adresse", 1);
        sim.Choose({kMissingPort, sim.Reader()});
        auto& window = sim.Open();
        QVERIFY(window.Connection().IsOpen());
        QCOMPARE(sim.prompts.modalRuns, 2);
        QCOMPARE(sim.prompts.messages,
                 (QStringList{"Fehler beim Port öffnen", "Fehler beim Port öffnen"}));
        QVERIFY(window.windowTitle().contains("<VMR-20 PB " + sim.Reader() + ":1"));
        QCOMPARE(QString::fromStdString(sim.profile.ReadString("Port", "Name", "")), sim.Reader());
        QCOMPARE(sim.profile.ReadInt("Port", "Timeout", 0), 1000);
    }

    void cancelledWindowLeavesTheWindowWithoutReader() {
        ListedWindow sim;
        sim.profile.WriteString("Port", "Name", kMissingPort);
        auto& window = sim.Open();
        QCOMPARE(sim.prompts.modalRuns, 1);
        QCOMPARE(window.Connection().Handle(), -1);
        QVERIFY(window.windowTitle().endsWith("<>"));
    }

    void chooseInterfaceConnectsToTheChosenReader() {
        ListedWindow sim;
        auto& window = sim.Open();
        const int32_t before = window.Connection().Handle();
        sim.Choose({sim.Reader()});
        window.SystemCommand(CVESMOR_TagforgeDlg::kCommandInterface);
        QCOMPARE(sim.prompts.modalRuns, 1);
        QVERIFY(window.Connection().IsOpen());
        QCOMPARE(window.Connection().Handle(), before);  // closed first, so the same id again
        QVERIFY(sim.prompts.messages.isEmpty());
    }

    void storedAddressIsPartOfTheConnection() {
        ListedWindow sim;
        sim.profile.WriteInt("Port", "Adresse", 2);  // the simulator answers on address 1 only
        auto& window = sim.Open();
        QVERIFY(!window.Connection().IsOpen());
        QCOMPARE(sim.prompts.modalRuns, 1);
    }
};

}  // namespace tagforge::ui::test

QTEST_MAIN(tagforge::ui::test::InterfaceChoiceTest)
#include "interface_choice_test.moc"
