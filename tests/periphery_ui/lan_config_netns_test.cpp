// The window "LAN Einstellung" with the real library, inside the private network namespaces of
// the LAN tests (needs root): a reader that does not answer its ping cannot be told a new
// address, and the window says that the address was not set instead of waiting for the reader.

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "common/messages.h"
#include "periphery/interface_library.h"
#include "periphery/ui/lan_config.h"
#include "sim/lan_server.h"
#include "tests/periphery_ui/dialog_fixture.h"
#include "tests/transports/lan_netns.h"

namespace tagforge::test {

namespace {

template <class T>
T* Child(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(name);
    Q_ASSERT(child != nullptr);
    return child;
}

}  // namespace

class LanConfigNetnsTest : public QObject {
    Q_OBJECT

  private slots:
    void anAddressChangeThePingGetsNoReplyForIsToldAsNotSet() {
        vesmor::test::LanNamespaces net;
        if (!net.Available()) {
            QSKIP("private network namespaces cannot be made here (needs root and ip netns)");
        }
        std::unique_ptr<vesmor::sim::LanServer> reader;
        net.InReaders([&] {
            vesmor::sim::LanServer::Options options;
            options.device.address = "10.77.1.5";
            options.device.gateway = "10.77.1.254";
            options.answerPing = false;
            reader = std::make_unique<vesmor::sim::LanServer>(vesmor::sim::ReaderConfig{}, options);
        });
        {
            const vesmor::test::LanNamespaces::InsideLibrary inside(net);
            RecordingPortPrompts prompts;
            ui::CLanConfig config(VesmorInterfaces(), prompts, "10.77.1.5-10001");
            config.show();
            auto* address = Child<QLineEdit>(config, "editIpAddress");
            QCOMPARE(address->text(), QString("10.77.1.5"));
            address->setText("10.77.1.50");
            QElapsedTimer clock;
            clock.start();
            Child<QPushButton>(config, "buttonOk")->click();
            QCOMPARE(prompts.messages, QStringList{QString::fromUtf8(MessageText(10130))});
            QVERIFY2(clock.elapsed() < 5000, "the window did not wait for the reader");
            QVERIFY(config.isVisible());
            QCOMPARE(config.result(), 0);
            QCOMPARE(address->text(), QString("10.77.1.5"));  // the settings read again
            QVERIFY(!Child<QProgressBar>(config, "progressApply")->isVisible());
        }
        QCOMPARE(reader->Address(), std::string("10.77.1.5"));
        net.InReaders([&] { reader.reset(); });
    }
};

}  // namespace tagforge::test

QTEST_MAIN(tagforge::test::LanConfigNetnsTest)
#include "lan_config_netns_test.moc"
