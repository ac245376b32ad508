// The window "Schnittstelle" under the offscreen platform: its controls, the list from a fake
// device tree through libvesmor, the checks of OK, Cancel, resizing, device events, and the
// mode switch of a simulated reader on a pseudo-terminal.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "common/messages.h"
#include "sim/pty_link.h"
#include "tests/periphery_ui/dialog_fixture.h"
#include "tests/periphery_ui/lan_network.h"

namespace tagforge::test {

namespace {

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << combo->itemText(i);
    }
    return items;
}

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->item(i)->text();
    }
    return items;
}

// The user clicks an entry of the interface list.
void ClickEntry(const PortDialog& port, const QString& text) {
    auto* list = port.Control<QListWidget>("listInterfaces");
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found.front()).center());
}

void ActivateWindow(QWidget& window) {
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// Distances of a control to the right and bottom edge of its window.
QPoint FarEdges(const QWidget* control) {
    const QRect r = control->geometry().translated(
        control->parentWidget()->mapTo(control->window(), QPoint(0, 0)));
    return {control->window()->width() - r.right(), control->window()->height() - r.bottom()};
}

}  // namespace

class PortDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void captionsAndChoicesAreThoseOfTheWindow() {
        PortDialog port;
        port.Show();
        QCOMPARE(port.dialog->windowTitle(), QString("Schnittstelle"));
        QCOMPARE(port.Control<QGroupBox>("groupInterface")->title(),
                 QString("Schnittstelle auswählen"));
        // Buttons and labels alike carry their caption in "text".
        const std::pair<const char*, const char*> captions[] = {
            {"checkEthernet", "Ethernet aktivieren"},
            {"buttonLanSearch", "IP ?"},
            {"buttonHidMode", "HID Mode"},
            {"buttonVirtualCom", "Virtual Com"},
            {"buttonOk", "OK"},
            {"buttonCancel", "Abbrechen"},
            {"labelBaud", "Baudrate"},
            {"labelParity", "Parität"},
            {"labelStopBits", "Stopbits:"},
            {"labelTimeout", "Timeout in [ms]"},
            {"labelAddress", "Geräteadresse [dez.]"},
        };
        for (const auto& [name, caption] : captions) {
            QCOMPARE(port.Control<QWidget>(name)->property("text").toString(), QString(caption));
        }
        QCOMPARE(Items(port.Control<QComboBox>("comboBaud")),
                 (QStringList{"2400", "4800", "9600", "19200"}));
        QCOMPARE(Items(port.Control<QComboBox>("comboParity")),
                 (QStringList{"keine", "gerade", "ungerade"}));
        QCOMPARE(Items(port.Control<QComboBox>("comboStopBits")), (QStringList{"1", "2"}));
        QCOMPARE(port.Control<QLineEdit>("editTimeout")->text(), QString("1000"));
        QCOMPARE(port.Control<QLineEdit>("editAddress")->text(), QString("1"));
        QVERIFY(!port.Control<QWidget>("buttonLanSearch")->isVisible());
    }

    void deviceTreeIsListedAndItsVirtualComReaderOffersHidMode() {
        PortDialog port;
        port.devices.AddUart("ttyS0");
        port.devices.AddVirtualComReader("1-2", "ttyACM0");
        port.profile.strings["Port/Name"] = "/dev/ttyS0";
        port.Show();
        auto* list = port.Control<QListWidget>("listInterfaces");
        QCOMPARE(Items(list), (QStringList{"/dev/ttyACM0 [Vek Virtual COM]", "/dev/ttyS0"}));
        QVERIFY(list->item(1)->isSelected());
        QVERIFY(port.prompts.questions.isEmpty());
        auto* hid = port.Control<QPushButton>("buttonHidMode");
        auto* virtualCom = port.Control<QPushButton>("buttonVirtualCom");
        QVERIFY(!hid->isEnabled() && !virtualCom->isEnabled());
        QVERIFY(!hid->isChecked() && !virtualCom->isChecked());
        ClickEntry(port, "/dev/ttyACM0 [Vek Virtual COM]");
        QVERIFY(hid->isEnabled() && virtualCom->isEnabled());
        QVERIFY(!hid->isChecked());
        QVERIFY(virtualCom->isChecked());
        ClickEntry(port, "/dev/ttyS0");
        QVERIFY(!hid->isEnabled() && !virtualCom->isEnabled());
        QVERIFY(!hid->isChecked() && !virtualCom->isChecked());
    }

    void usbReaderTurnsTheSerialFormatOffAndShowsHidMode() {
        PortDialog port;
        port.library.Present(InterfaceKind::kUsb, {"4431-0007 HID", "0001 HID"});
        port.profile.strings["Port/Name"] = "USB: 4431-0007 HID";
        port.Show();
        QVERIFY(!port.Control<QWidget>("comboBaud")->isEnabled());
        QVERIFY(!port.Control<QWidget>("comboStopBits")->isEnabled());
        QVERIFY(port.Control<QPushButton>("buttonHidMode")->isChecked());
        QVERIFY(port.Control<QPushButton>("buttonVirtualCom")->isEnabled());
        ClickEntry(port, "USB: 0001 HID");
        QVERIFY(!port.Control<QPushButton>("buttonHidMode")->isEnabled());
    }

    void storedBaudValueIsShownAndTheChoiceStored() {
        PortDialog port;
        port.profile.ints["Port/Baudrate"] = 9603;
        port.Show();
        auto* baud = port.Control<QComboBox>("comboBaud");
        auto* parity = port.Control<QComboBox>("comboParity");
        auto* stopBits = port.Control<QComboBox>("comboStopBits");
        QCOMPARE(baud->currentText(), QString("9600"));
        QCOMPARE(parity->currentText(), QString("keine"));
        QCOMPARE(stopBits->currentText(), QString("2"));
        baud->setCurrentIndex(3);
        parity->setCurrentIndex(1);
        port.Click("buttonOk");
        QCOMPARE(port.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(port.profile.ints["Port/Baudrate"], 19201);
    }

    void okRefusesBadFieldsWithTheirMessageAndTheFocus() {
        PortDialog port;
        port.Show();
        ActivateWindow(*port.dialog);
        auto* timeout = port.Control<QLineEdit>("editTimeout");
        auto* address = port.Control<QLineEdit>("editAddress");
        timeout->setText("5");
        port.Control<QWidget>("buttonOk")->setFocus();
        port.Click("buttonOk");
        QCOMPARE(port.prompts.messages,
                 QStringList{"Geben Sie eine ganze Zahl zwischen 10 und 300000 ein."});
        QCOMPARE(QApplication::focusWidget(), timeout);
        QCOMPARE(timeout->selectedText(), QString("5"));
        QVERIFY(port.dialog->isVisible());
        timeout->setText("");
        port.Click("buttonOk");
        QCOMPARE(port.prompts.messages.last(), QString("Geben Sie eine positive ganze Zahl ein."));
        timeout->setText("2000");
        address->setText("");
        port.Click("buttonOk");
        QCOMPARE(port.prompts.messages.last(), QString("Geben Sie eine ganze Zahl ein."));
        QCOMPARE(QApplication::focusWidget(), address);
        address->setText("256");
        port.Click("buttonOk");
        QCOMPARE(port.prompts.messages.last(),
                 QString("Geben Sie eine ganze Zahl zwischen 1 und 255 ein."));
        QVERIFY2(port.profile.writes.size() == 1, "only COM1 at construction");
        address->setText("255");
        port.Click("buttonOk");
        QVERIFY(!port.dialog->isVisible());
        QCOMPARE(port.profile.ints["Port/Timeout"], 2000);
        QCOMPARE(port.profile.ints["Port/Adresse"], 255);
    }

    void numberFieldsTakeDigitsOnly() {
        PortDialog port;
        port.Show();
        auto* address = port.Control<QLineEdit>("editAddress");
        address->clear();
        QTest::keyClicks(address, "-1a2");
        QCOMPARE(address->text(), QString("12"));
    }

    void cancelWritesNothing() {
        PortDialog port;
        port.devices.AddUart("ttyS0");
        port.devices.AddUart("ttyS1");
        port.profile.strings["Port/Name"] = "/dev/ttyS0";
        port.Show();
        ClickEntry(port, "/dev/ttyS1");
        port.Control<QLineEdit>("editTimeout")->setText("700");
        port.Control<QComboBox>("comboBaud")->setCurrentIndex(0);
        port.Click("checkEthernet");
        port.Click("buttonCancel");
        QCOMPARE(port.dialog->result(), int(QDialog::Rejected));
        QVERIFY(port.profile.writes.empty());
    }

    void windowGrowsWithItsListButNeverShrinks() {
        PortDialog port;
        port.profile.ints["Port/EthernetAktiv"] = 1;
        port.Show();
        const QSize initial = port.dialog->size();
        QCOMPARE(port.dialog->minimumSize(), initial);
        auto* list = port.Control<QWidget>("listInterfaces");
        auto* ok = port.Control<QWidget>("buttonOk");
        auto* hid = port.Control<QWidget>("buttonHidMode");
        const QSize listBefore = list->size();
        const QPoint okBefore = ok->mapTo(port.dialog.get(), QPoint(0, 0));
        const QPoint hidBefore = hid->mapTo(port.dialog.get(), QPoint(0, 0));
        const QPoint virtualComEdges = FarEdges(port.Control<QWidget>("buttonVirtualCom"));
        const QPoint lanSearchEdges = FarEdges(port.Control<QWidget>("buttonLanSearch"));
        port.dialog->resize(initial + QSize(200, 150));
        QApplication::processEvents();
        QCOMPARE(list->size(), listBefore + QSize(200, 150));
        QCOMPARE(FarEdges(port.Control<QWidget>("buttonVirtualCom")), virtualComEdges);
        QCOMPARE(FarEdges(port.Control<QWidget>("buttonLanSearch")), lanSearchEdges);
        QCOMPARE(ok->mapTo(port.dialog.get(), QPoint(0, 0)), okBefore + QPoint(0, 150));
        QCOMPARE(hid->mapTo(port.dialog.get(), QPoint(0, 0)), hidBefore + QPoint(0, 150));
        port.dialog->resize(initial - QSize(50, 50));
        QCOMPARE(port.dialog->size(), initial);
    }

    void ethernetBoxShowsTheIpSearchWhichRefreshes() {
        PortDialog port;
        // The search stays inside a LAN of the test's own.
        LanNetwork lan;
        LanNetwork::Device reader;
        reader.address = "10.77.0.2";
        lan.Add(reader);
        port.library.UseLan(&lan);
        port.Show();
        auto* search = port.Control<QWidget>("buttonLanSearch");
        QVERIFY(!search->isVisible());
        port.Click("checkEthernet");
        QVERIFY(search->isVisible());
        QApplication::processEvents();
        const int calls = port.library.ListCalls();
        port.Click("buttonLanSearch");
        QApplication::processEvents();
        QCOMPARE(port.prompts.modals, QStringList{"CIPAddrSuche"});
        // The search window's reader list, then the four lists of the refresh.
        QCOMPARE(port.library.ListCalls(), calls + 5);
        port.Click("checkEthernet");
        QVERIFY(!search->isVisible());
    }

    void missingDriverIsAskedAboutOnceShownAndYesOpensThePage() {
        PortDialog port;
        port.devices.AddReaderWithoutDriver("1-3");
        port.Make();
        QVERIFY2(port.prompts.questions.isEmpty(), "not while the window is hidden");
        port.prompts.answerYes = true;
        port.dialog->show();
        QTRY_COMPARE(port.prompts.messages.size(), 1);
        QCOMPARE(port.prompts.questions,
                 QStringList{"Kein Vek USB Treiber für ORLAN-B VCOM installiert!\n"
                             "Treiber laden und installieren?\n"});
        // No download page exists for Linux: the steps are shown, nothing is opened.
        QCOMPARE(port.prompts.messages.front(), QString::fromUtf8(MessageText(kMsgUsbDriverPage)));
        QVERIFY(port.prompts.messages.front().contains("sudo modprobe cdc_acm"));
        QVERIFY(port.prompts.messages.front().contains("udev"));
        QVERIFY(port.prompts.opened.isEmpty());
    }

    void deviceArrivalIsFollowedByTimedRefreshes() {
        PortDialog port;
        port.Show();
        const int calls = port.library.ListCalls();
        port.dialog->DeviceChanged(kDeviceArrival);
        QCOMPARE(port.library.ListCalls(), calls + 3);  // no LAN list with Ethernet off
        QCOMPARE(port.dialog->Choice().RefreshCountdown(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(port.dialog->Choice().RefreshCountdown(), 2, 2500);
        QCOMPARE(port.library.ListCalls(), calls + 6);
    }

    void hidModeSwitchesASimulatedVirtualComReader() {
        vesmor::sim::PtyLink link(vesmor::sim::ReaderConfig{});
        const std::string entry = link.Path() + " [Vek Virtual COM]";
        QWidget mainWindow;  // outlives the dialog it parents
        mainWindow.show();
        PortDialog port;
        port.library.Present(InterfaceKind::kSerial, {entry});
        port.profile.strings["Port/Name"] = entry;
        port.Show(&mainWindow);
        QVERIFY(port.Control<QPushButton>("buttonVirtualCom")->isChecked());
        bool mainWindowEnabled = true;
        Qt::CursorShape cursor = Qt::ArrowCursor;
        QTimer::singleShot(300, [&] {
            mainWindowEnabled = mainWindow.isEnabled();
            cursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                    : Qt::ArrowCursor;
        });
        link.ClearLog();
        port.Click("buttonHidMode");
        QVERIFY2(!mainWindowEnabled, "disabled while the reader switches");
        QCOMPARE(cursor, Qt::WaitCursor);
        QVERIFY(mainWindow.isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        std::vector<std::pair<uint8_t, std::vector<uint8_t>>> commands;
        for (const vesmor::sim::Request& request : link.Requests()) {
            commands.emplace_back(request.command, request.data);
        }
        QVERIFY(commands.size() >= 2);
        QCOMPARE(commands[commands.size() - 2].first, uint8_t{0xFF});
        QCOMPARE(commands[commands.size() - 2].second.back(), uint8_t{1});
        QCOMPARE(commands.back().first, uint8_t{0xF6});
        QCOMPARE(port.dialog->Choice().CurrentName(), std::string());
        QVERIFY(!port.Control<QWidget>("buttonHidMode")->isEnabled());
    }
};

}  // namespace tagforge::test

QTEST_MAIN(tagforge::test::PortDlgTest)
#include "port_dlg_test.moc"
