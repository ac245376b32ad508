// The windows "IP-Adressen" and "LAN Einstellung" under the offscreen platform over a LAN of
// the test's own: the search list with its foreign devices, the choice returned to the
// interface selection window, the settings read, checked, applied and waited for.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "common/messages.h"
#include "periphery/ui/ip_addr_suche.h"
#include "periphery/ui/lan_config.h"
#include "tests/periphery_ui/dialog_fixture.h"
#include "tests/periphery_ui/lan_network.h"

namespace tagforge::test {

namespace {

using Device = LanNetwork::Device;

QString Msg(int id) {
    return QString::fromUtf8(MessageText(id));
}

// A fixed-address reader, a DHCP reader and a device of another kind.
void AddTypicalLan(LanNetwork& lan) {
    lan.Add({.address = "10.77.0.2", .gateway = "10.77.0.1"});
    lan.Add({.address = "10.77.0.5", .dhcp = true, .name = "QX-Lager"});
    lan.Add({.address = "10.77.0.9", .reader = false});
}

template <class T>
T* Child(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(name);
    if (!child) {
        qFatal("no control %s", name);
    }
    return child;
}

QListWidget* List(QWidget& window) {
    return Child<QListWidget>(window, "listDevices");
}

void Select(QWidget& window, const QString& text) {
    const QList<QListWidgetItem*> found = List(window)->findItems(text, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    List(window)->setCurrentItem(found.front());
}

struct LanDialogs {
    // The search window shown and its search done (it runs from the event loop once shown).
    ui::CIPAddrSuche& ShowSearch() {
        search = std::make_unique<ui::CIPAddrSuche>(lan, prompts);
        search->show();
        (void)QTest::qWaitFor([this] { return lan.searches >= 2; });
        QApplication::processEvents();
        return *search;
    }
    std::unique_ptr<ui::CLanConfig> Config(const std::string& reader) {
        return std::make_unique<ui::CLanConfig>(lan, prompts, reader);
    }

    LanNetwork lan;
    RecordingPortPrompts prompts;
    std::unique_ptr<ui::CIPAddrSuche> search;
};

}  // namespace

class LanDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void searchWindowHasItsCaptions() {
        LanDialogs dialogs;
        AddTypicalLan(dialogs.lan);
        ui::CIPAddrSuche& search = dialogs.ShowSearch();
        QCOMPARE(search.windowTitle(), QString("IP-Adressen"));
        QCOMPARE(Child<QPushButton>(search, "buttonChange")->text(), QString("IP-Adresse ändern"));
        QCOMPARE(Child<QPushButton>(search, "buttonClose")->text(), QString("Schliessen"));
        QVERIFY(Child<QPushButton>(search, "buttonClose")->isDefault());
        QCOMPARE(search.minimumSize(), search.size());
    }

    void searchListsReadersOnceAndForeignDevicesInRedItalics() {
        LanDialogs dialogs;
        AddTypicalLan(dialogs.lan);
        QListWidget* list = List(dialogs.ShowSearch());
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QString("10.77.0.2-10001"));
        QCOMPARE(list->item(1)->text(), QString("[QX-Lager]10.77.0.5-10001"));
        QCOMPARE(list->item(2)->text(), QString("10.77.0.9-10001"));
        QCOMPARE(list->item(1)->data(Qt::UserRole).toInt(), ui::CIPAddrSuche::kReaderEntry);
        QCOMPARE(list->item(2)->data(Qt::UserRole).toInt(), ui::CIPAddrSuche::kForeignEntry);
        QCOMPARE(list->item(2)->foreground().color(), QColor(255, 0, 0));
        QVERIFY(list->item(2)->font().italic());
        QVERIFY(!list->item(0)->font().italic());
    }

    void searchShowsThatItSearchesAndTakesNoInputMeanwhile() {
        LanDialogs dialogs;
        AddTypicalLan(dialogs.lan);
        bool shownSearching = false;
        dialogs.lan.duringSearch = [&] {
            QWidget* window = dialogs.search.get();
            shownSearching = Child<QLabel>(*window, "labelSearching")->isVisible() &&
                             Child<QProgressBar>(*window, "progressSearching")->isVisible() &&
                             !List(*window)->isEnabled() &&
                             !Child<QPushButton>(*window, "buttonClose")->isEnabled();
        };
        ui::CIPAddrSuche& search = dialogs.ShowSearch();
        QVERIFY(shownSearching);
        QVERIFY(!Child<QLabel>(search, "labelSearching")->isVisible());
        QVERIFY(List(search)->isEnabled());
    }

    void changeButtonNeedsASelection() {
        LanDialogs dialogs;
        AddTypicalLan(dialogs.lan);
        ui::CIPAddrSuche& search = dialogs.ShowSearch();
        auto* change = Child<QPushButton>(search, "buttonChange");
        QVERIFY(!change->isEnabled());
        Select(search, "10.77.0.2-10001");
        QVERIFY(change->isEnabled());
    }

    void closeReturnsTheSelectedReaderOnly() {
        LanDialogs dialogs;
        AddTypicalLan(dialogs.lan);
        ui::CIPAddrSuche& search = dialogs.ShowSearch();
        Child<QPushButton>(search, "buttonClose")->click();
        QCOMPARE(search.Result(), std::string());
        search.show();
        Select(search, "10.77.0.9-10001");
        Child<QPushButton>(search, "buttonClose")->click();
        QCOMPARE(search.Result(), std::string());
        search.show();
        Select(search, "[QX-Lager]10.77.0.5-10001");
        Child<QPushButton>(search, "buttonClose")->click();
        QCOMPARE(search.Result(), std::string("[QX-Lager]10.77.0.5-10001"));
        QVERIFY(!search.isVisible());
    }

    void nothingFoundAsksToRetryAndCancelClosesEmpty() {
        LanDialogs dialogs;
        int retries = 0;
        dialogs.prompts.onRetry = [&] {
            if (++retries == 2) {
                AddTypicalLan(dialogs.lan);
            }
            return true;
        };
        ui::CIPAddrSuche& search = dialogs.ShowSearch();
        QTRY_COMPARE(List(search)->count(), 3);
        QCOMPARE(dialogs.prompts.retryQuestions.size(), 2);
        QCOMPARE(dialogs.prompts.retryQuestions.front(), Msg(10129) + "|" + Msg(10131));
        QVERIFY(Msg(10131).startsWith("Keine Geräte gefunden!\nBitte prüfen Sie"));

        LanDialogs empty;
        empty.prompts.onRetry = [] { return false; };
        empty.search = std::make_unique<ui::CIPAddrSuche>(empty.lan, empty.prompts);
        empty.search->show();
        QTRY_VERIFY(!empty.search->isVisible());
        QCOMPARE(empty.search->result(), int(QDialog::Rejected));
        QCOMPARE(empty.search->Result(), std::string());
    }

    void changedSettingsAreSearchedAgain() {
        LanDialogs dialogs;
        AddTypicalLan(dialogs.lan);
        ui::CIPAddrSuche& search = dialogs.ShowSearch();
        dialogs.prompts.onModal = [](QDialog& config) {
            QCOMPARE(config.objectName(), QString("CLanConfig"));
            Child<QLineEdit>(config, "editIpAddress")->setText("10.77.0.3");
            Child<QPushButton>(config, "buttonOk")->click();
        };
        Select(search, "10.77.0.2-10001");
        const int searches = dialogs.lan.searches;
        Child<QPushButton>(search, "buttonChange")->click();
        QCOMPARE(dialogs.prompts.modals, QStringList{"CLanConfig"});
        QCOMPARE(dialogs.lan.searches, searches + 2);
        QCOMPARE(List(search)->item(0)->text(), QString("10.77.0.3-10001"));
        QVERIFY(search.isVisible());
    }

    void settingsWindowHasItsCaptionsAndLimits() {
        LanDialogs dialogs;
        const auto config = dialogs.Config("10.77.0.2-10001");
        QCOMPARE(config->windowTitle(), QString("LAN Einstellung"));
        QCOMPARE(Child<QRadioButton>(*config, "radioDhcp")->text(),
                 QString("IP Adresse automatisch beziehen"));
        QCOMPARE(Child<QRadioButton>(*config, "radioFixed")->text(),
                 QString("Folgende IP Adresse verwenden"));
        QCOMPARE(Child<QLabel>(*config, "labelMask")->text(), QString("Subnetzmaske:"));
        QCOMPARE(Child<QLabel>(*config, "labelGateway")->text(), QString("Gateway:"));
        QCOMPARE(Child<QLabel>(*config, "labelDhcpDash")->text(), QString("-"));
        QCOMPARE(Child<QPushButton>(*config, "buttonOk")->text(), QString("OK"));
        QCOMPARE(Child<QPushButton>(*config, "buttonCancel")->text(), QString("Abbrechen"));
        QCOMPARE(Child<QLineEdit>(*config, "editDhcpName")->maxLength(), 15);
        auto* progress = Child<QProgressBar>(*config, "progressApply");
        QCOMPARE(progress->orientation(), Qt::Vertical);
        QCOMPARE(progress->maximum(), 25000);
        config->show();
        QVERIFY(!progress->isVisible());
        QCOMPARE(Child<QLineEdit>(*config, "editFixedPort")->text(), QString("10001"));
    }

    void fieldsTakeOnlyWhatTheReaderCanStore() {
        LanDialogs dialogs;
        const auto config = dialogs.Config("10.77.0.2");
        config->show();
        auto* address = Child<QLineEdit>(*config, "editIpAddress");
        Child<QRadioButton>(*config, "radioFixed")->click();
        QTest::keyClicks(address, "10.300");
        QCOMPARE(address->text(), QString("10.30"));
        auto* port = Child<QLineEdit>(*config, "editFixedPort");
        port->clear();
        QTest::keyClicks(port, "70000");
        QCOMPARE(port->text(), QString("7000"));
        auto* name = Child<QLineEdit>(*config, "editDhcpName");
        Child<QRadioButton>(*config, "radioDhcp")->click();
        QTest::keyClicks(name, "a[b]c d");
        QCOMPARE(name->text(), QString("abcd"));
    }

    void fixedReaderIsShownWithItsFieldsEnabled() {
        LanDialogs dialogs;
        dialogs.lan.Add(
            {.address = "10.77.0.2", .port = 5000, .name = "QX-Halle", .gateway = "10.77.0.1"});
        const auto config = dialogs.Config("10.77.0.2-5000");
        QVERIFY(Child<QRadioButton>(*config, "radioFixed")->isChecked());
        QCOMPARE(Child<QLineEdit>(*config, "editIpAddress")->text(), QString("10.77.0.2"));
        QCOMPARE(Child<QLineEdit>(*config, "editFixedPort")->text(), QString("5000"));
        QCOMPARE(Child<QLineEdit>(*config, "editDhcpPort")->text(), QString("5000"));
        QCOMPARE(Child<QLineEdit>(*config, "editDhcpName")->text(), QString("QX-Halle"));
        QCOMPARE(Child<QLineEdit>(*config, "editMask")->text(), QString("255.255.255.0"));
        QCOMPARE(Child<QLineEdit>(*config, "editGateway")->text(), QString("10.77.0.1"));
        QVERIFY(Child<QLineEdit>(*config, "editIpAddress")->isEnabled());
        QVERIFY(Child<QLineEdit>(*config, "editFixedPort")->isEnabled());
        QVERIFY(!Child<QLineEdit>(*config, "editDhcpName")->isEnabled());
        QVERIFY(!Child<QLineEdit>(*config, "editDhcpPort")->isEnabled());
        QVERIFY(Child<QLineEdit>(*config, "editMask")->isEnabled());
        QVERIFY(Child<QLineEdit>(*config, "editGateway")->isEnabled());
    }

    void switchingModeEnablesItsFieldsAndAppliesItsPortOnly() {
        LanDialogs dialogs;
        dialogs.lan.Add({.address = "10.77.0.5", .port = 4000, .dhcp = true, .name = "QX-Lager"});
        const auto config = dialogs.Config("[QX-Lager]10.77.0.5-4000");
        QVERIFY(Child<QRadioButton>(*config, "radioDhcp")->isChecked());
        QCOMPARE(Child<QLineEdit>(*config, "editDhcpPort")->text(), QString("4000"));
        QCOMPARE(Child<QLineEdit>(*config, "editIpAddress")->text(), QString());
        QVERIFY(!Child<QLineEdit>(*config, "editIpAddress")->isEnabled());
        config->show();
        Child<QRadioButton>(*config, "radioFixed")->click();
        QVERIFY(Child<QLineEdit>(*config, "editIpAddress")->isEnabled());
        QVERIFY(!Child<QLineEdit>(*config, "editDhcpName")->isEnabled());
        Child<QLineEdit>(*config, "editIpAddress")->setText("10.77.0.6");
        Child<QLineEdit>(*config, "editFixedPort")->setText("6000");
        Child<QLineEdit>(*config, "editDhcpPort")->setText("4444");
        Child<QPushButton>(*config, "buttonOk")->click();
        QCOMPARE(dialogs.lan.sets,
                 std::vector<std::string>{
                     "[QX-Lager]10.77.0.5-4000 10.77.0.6-6000 255.255.255.0 0.0.0.0"});
        QCOMPARE(config->result(), int(QDialog::Accepted));
        QCOMPARE(config->Reader(), std::string("10.77.0.6-6000"));
    }

    void dhcpModeAppliesTheBracketedName() {
        LanDialogs dialogs;
        dialogs.lan.Add({.address = "10.77.0.2"});
        const auto config = dialogs.Config("10.77.0.2-10001");
        config->show();
        Child<QRadioButton>(*config, "radioDhcp")->click();
        Child<QLineEdit>(*config, "editDhcpName")->setText("QX-Neu");
        Child<QPushButton>(*config, "buttonOk")->click();
        QCOMPARE(dialogs.lan.sets, std::vector<std::string>{"10.77.0.2-10001 [QX-Neu]-10001 "
                                                            "255.255.255.0 0.0.0.0"});
        QCOMPARE(config->Reader(), std::string("[QX-Neu]-10001"));
    }

    void fixedModeNeedsAnAddressAndSoundMaskAndGateway() {
        LanDialogs dialogs;
        dialogs.lan.Add({.address = "10.77.0.2"});
        const auto config = dialogs.Config("10.77.0.2-10001");
        config->show();
        config->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(config.get()));
        auto* address = Child<QLineEdit>(*config, "editIpAddress");
        auto* ok = Child<QPushButton>(*config, "buttonOk");
        for (const char* bad : {"", "0.0.0.0", "10.77.0"}) {
            address->setText(bad);
            ok->click();
        }
        QCOMPARE(dialogs.prompts.messages, QStringList(3, Msg(10128)));
        QCOMPARE(QApplication::focusWidget(), address);
        address->setText("10.77.0.2");
        Child<QLineEdit>(*config, "editMask")->setText("255.0.255.0");
        ok->click();
        QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>(*config, "editMask"));
        Child<QLineEdit>(*config, "editMask")->setText("255.255.0.0");
        Child<QLineEdit>(*config, "editGateway")->setText("10.77");
        ok->click();
        QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>(*config, "editGateway"));
        QVERIFY(dialogs.lan.sets.empty());
        QVERIFY(config->isVisible());
    }

    void failedApplyTellsReloadsAndStaysOpen() {
        LanDialogs dialogs;
        dialogs.lan.Add({.address = "10.77.0.2", .gateway = "10.77.0.1"});
        dialogs.lan.failSets = true;
        const auto config = dialogs.Config("10.77.0.2-10001");
        config->show();
        Child<QLineEdit>(*config, "editGateway")->setText("10.77.0.254");
        Child<QPushButton>(*config, "buttonOk")->click();
        QCOMPARE(dialogs.prompts.messages, QStringList{Msg(10130)});
        QCOMPARE(Child<QLineEdit>(*config, "editGateway")->text(), QString("10.77.0.1"));
        QVERIFY(config->isVisible());
        QVERIFY(!Child<QProgressBar>(*config, "progressApply")->isVisible());
        QVERIFY(Child<QPushButton>(*config, "buttonOk")->isEnabled());
        QVERIFY(!Child<QLineEdit>(*config, "editDhcpName")->isEnabled());
    }

    void appliedSettingsWaitWithProgressUntilTheReaderAnswers() {
        LanDialogs dialogs;
        dialogs.lan.Add({.address = "10.77.0.2"});
        dialogs.lan.restartMs = 400;
        const auto config = dialogs.Config("10.77.0.2-10001");
        config->show();
        auto* progress = Child<QProgressBar>(*config, "progressApply");
        int highest = -1;
        bool controlsOff = true;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (progress->isVisible()) {
                highest = std::max(highest, progress->value());
                controlsOff = controlsOff && !Child<QPushButton>(*config, "buttonOk")->isEnabled();
            }
        });
        watch.start(20);
        Child<QLineEdit>(*config, "editIpAddress")->setText("10.77.0.3");
        QElapsedTimer clock;
        clock.start();
        Child<QPushButton>(*config, "buttonOk")->click();
        QVERIFY(clock.elapsed() >= 400);
        QVERIFY2(clock.elapsed() < 5000, "ends once the reader answers");
        QVERIFY(highest >= 300 && highest <= 25000);
        QVERIFY(controlsOff);
        QCOMPARE(config->result(), int(QDialog::Accepted));
        QVERIFY(!progress->isVisible());
        QVERIFY(dialogs.lan.tests >= 3);
    }

    void ipButtonOfThePortWindowTakesTheReaderChosen() {
        PortDialog port;
        LanNetwork lan;
        AddTypicalLan(lan);
        port.library.UseLan(&lan);
        port.profile.strings["Port/Name"] = "/dev/ttyS0";
        port.profile.ints["Port/EthernetAktiv"] = 1;
        port.prompts.onModal = [](QDialog& search) {
            QTRY_VERIFY(List(search)->count() == 3);
            Select(search, "[QX-Lager]10.77.0.5-10001");
            Child<QPushButton>(search, "buttonClose")->click();
        };
        port.Show();
        port.Click("buttonLanSearch");
        QCOMPARE(port.prompts.modals, QStringList{"CIPAddrSuche"});
        QTRY_COMPARE(port.dialog->Choice().CurrentName(), std::string("LAN: [QX-Lager]"));
        QTRY_COMPARE(port.Control<QListWidget>("listInterfaces")->currentItem()->text(),
                     QString("LAN: [QX-Lager]"));
    }
};

}  // namespace tagforge::test

QTEST_MAIN(tagforge::test::LanDlgTest)
#include "lan_dlg_test.moc"
