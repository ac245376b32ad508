// Renders the interface selection window offscreen over a fake device tree: the serial list, a
// virtual COM reader selected ("HID Mode" offered), a USB reader in HID mode with Ethernet on,
// and the question about a missing driver. The pictures go to the directory given as the first
// argument.

#include <QApplication>
#include <QMessageBox>

#include "app/ui/user_prompts.h"
#include "tests/app_ui/grab_to_file.h"
#include "tests/periphery_ui/dialog_fixture.h"

namespace {

using tagforge::test::PortDialog;
using tagforge::ui::test::GrabToFile;

// Ports of a typical machine: two UARTs, an FTDI cable and a reader in virtual COM mode.
void AddSerialPorts(PortDialog& port) {
    port.devices.AddUart("ttyS0");
    port.devices.AddUart("ttyS1");
    auto& tree = port.devices.tree;
    const std::string cable = tree.AddUsbDevice("1-3", 0x0403, 0x6001, "FT232R USB UART");
    tree.AddTtyOfUsbSerialPort("ttyUSB0", tree.AddUsbInterface(cable, 0, "ftdi_sio"));
    port.devices.AddVirtualComReader("1-2", "ttyACM0");
}

bool Render(const QString& path, const std::string& name, bool ethernet = false) {
    PortDialog port;
    AddSerialPorts(port);
    port.library.Present(tagforge::InterfaceKind::kUsb, {"4211-0815 HID"});
    port.profile.strings["Port/Name"] = name;
    port.profile.ints["Port/EthernetAktiv"] = ethernet ? 1 : 0;
    return GrabToFile(port.Show(), path);
}

bool RenderDriverQuestion(const QString& path) {
    PortDialog port;
    AddSerialPorts(port);
    port.devices.AddReaderWithoutDriver("1-4");
    port.profile.strings["Port/Name"] = "/dev/ttyS0";
    bool saved = false;
    port.prompts.onQuestion = [&](QWidget* parent, const QString& text) {
        const std::unique_ptr<QMessageBox> box = tagforge::ui::QuestionBox(parent, text);
        box->show();
        saved = GrabToFile(*box, path);
        return false;
    };
    port.Show();
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const tagforge::ui::test::RenderLanguage language;
    const QString directory = tagforge::ui::test::ScreenshotDirectory(argc, argv);
    bool ok = Render(language.File(directory, "port_dlg_serial"), "/dev/ttyS0");
    ok &=
        Render(language.File(directory, "port_dlg_virtual_com"), "/dev/ttyACM0 [Vek Virtual COM]");
    ok &= Render(language.File(directory, "port_dlg_usb_hid"), "USB: 4211-0815 HID", true);
    ok &= RenderDriverQuestion(language.File(directory, "port_dlg_driver_question"));
    return ok ? 0 : 1;
}
