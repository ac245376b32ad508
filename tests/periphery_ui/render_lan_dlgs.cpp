// Renders the LAN search and settings windows offscreen over a LAN of their own: the search
// while it runs and with its list (a foreign device in red italics, a reader selected), the
// settings of a fixed-address and of a DHCP reader, and the progress bar while a changed
// reader restarts. The pictures go to the directory given as the first argument.

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include "app/ui/qt_texts.h"
#include "periphery/ui/ip_addr_suche.h"
#include "periphery/ui/lan_config.h"
#include "tests/app_ui/grab_to_file.h"
#include "tests/periphery_ui/dialog_fixture.h"
#include "tests/periphery_ui/lan_network.h"

namespace {

using tagforge::test::LanNetwork;
using tagforge::ui::test::GrabToFile;

void AddTypicalLan(LanNetwork& lan) {
    LanNetwork::Device fixed;
    fixed.address = "192.168.10.20";
    fixed.name = "QX-Halle";
    fixed.gateway = "192.168.10.1";
    lan.Add(fixed);
    LanNetwork::Device dhcp;
    dhcp.address = "192.168.10.57";
    dhcp.dhcp = true;
    dhcp.name = "QX-Lager";
    lan.Add(dhcp);
    LanNetwork::Device printer;
    printer.address = "192.168.10.99";
    printer.reader = false;
    lan.Add(printer);
}

bool RenderSearch(const QString& directory) {
    LanNetwork lan;
    AddTypicalLan(lan);
    tagforge::test::RecordingPortPrompts prompts;
    tagforge::ui::CIPAddrSuche search(lan, prompts);
    bool ok = false;
    bool grabbed = false;
    lan.duringSearch = [&] {
        if (!grabbed) {
            grabbed = true;
            ok = GrabToFile(search, tagforge::ui::test::ShotFile(directory, "lan_search_running"));
        }
    };
    search.show();
    while (lan.searches < 2) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    auto* list = search.findChild<QListWidget*>("listDevices");
    list->setCurrentRow(0);
    ok &= GrabToFile(search, tagforge::ui::test::ShotFile(directory, "lan_search_list"));
    return ok;
}

bool RenderConfig(const QString& path, const std::string& reader, bool applying) {
    LanNetwork lan;
    AddTypicalLan(lan);
    lan.restartMs = 1500;
    tagforge::test::RecordingPortPrompts prompts;
    tagforge::ui::CLanConfig config(lan, prompts, reader);
    config.show();
    if (!applying) {
        return GrabToFile(config, path);
    }
    bool ok = false;
    QTimer::singleShot(900, &config, [&] { ok = GrabToFile(config, path); });
    config.findChild<QLineEdit*>("editIpAddress")->setText("192.168.10.21");
    config.findChild<QPushButton*>("buttonOk")->click();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const tagforge::ui::test::RenderLanguage language;  // the pictures' language
    QTranslator qtTexts;
    tagforge::ui::SelectQtTexts(qtTexts, true);
    const QString directory = tagforge::ui::test::ScreenshotDirectory(argc, argv);
    bool ok = RenderSearch(directory);
    ok &= RenderConfig(tagforge::ui::test::ShotFile(directory, "lan_config_fixed"),
                       "192.168.10.20-10001", false);
    ok &= RenderConfig(tagforge::ui::test::ShotFile(directory, "lan_config_dhcp"),
                       "[QX-Lager]192.168.10.57-10001", false);
    ok &= RenderConfig(tagforge::ui::test::ShotFile(directory, "lan_config_applying"),
                       "192.168.10.20-10001", true);
    return ok ? 0 : 1;
}
