// The window "Schnittstelle" with Bluetooth dongles of the fake USBXpress library: listed with
// "Bluetooth: ", chosen without a serial format, and passed on without the prefix.

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "tests/fakes/fake_siusbxp_control.h"
#include "tests/periphery_ui/dialog_fixture.h"

namespace tagforge::test {

namespace {

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->item(i)->text();
    }
    return items;
}

}  // namespace

class PortDlgBluetoothTest : public QObject {
    Q_OBJECT

  private slots:
    void donglesAreListedAfterTheSerialPortsWithTheirPrefix() {
        const vesmor::test::FakeSiUsbXp fake("VEK-PN4207#00042;OTHER-7;VEK-PN4207#00043");
        PortDialog port;
        port.devices.AddUart("ttyS0");
        port.profile.strings["Port/Name"] = "Bluetooth: VEK-PN4207#00043 BT";
        port.Show();
        auto* list = port.Control<QListWidget>("listInterfaces");
        const QStringList items = Items(list);
        QVERIFY(items.size() >= 3);
        QCOMPARE(items.front(), QString("/dev/ttyS0"));
        QCOMPARE(items.mid(items.size() - 2),
                 (QStringList{"Bluetooth: VEK-PN4207#00042 BT", "Bluetooth: VEK-PN4207#00043 BT"}));
        QVERIFY(list->item(list->count() - 1)->isSelected());
        QVERIFY(!port.Control<QWidget>("comboBaud")->isEnabled());
        QVERIFY(!port.Control<QPushButton>("buttonHidMode")->isEnabled());
        QVERIFY(!port.Control<QPushButton>("buttonVirtualCom")->isEnabled());
        QCOMPARE(port.dialog->GetOpenString(), std::string("VEK-PN4207#00043 BT:1"));
    }

    void aStoredDongleThatIsGoneGivesWayToThePresentOne() {
        const vesmor::test::FakeSiUsbXp fake("VEK-PN4207#00042");
        PortDialog port;
        port.profile.strings["Port/Name"] = "Bluetooth: VEK-PN4207#00099 BT";
        port.Make();
        QCOMPARE(port.profile.strings["Port/Name"], std::string("Bluetooth: VEK-PN4207#00042 BT"));
    }
};

}  // namespace tagforge::test

QTEST_MAIN(tagforge::test::PortDlgBluetoothTest)
#include "port_dlg_bluetooth_test.moc"
