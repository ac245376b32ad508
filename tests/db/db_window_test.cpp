// The main window with a database job: the write field shows the reserved value read-only, a
// tag the job has written is not written again, a stopped server stops the write cycle, and
// the profile keeps the window's own counter.

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "app/db/job_store.h"
#include "app/db/schema.h"
#include "app/ui/db_binding.h"
#include "tests/app_ui/window_fixture.h"
#include "tests/db/pg_server.h"

namespace tagforge::ui::test {

namespace {

QString StatusText(const SimulatedWindow& sim) {
    return sim.Control<QPlainTextEdit>("editStatus")->toPlainText();
}

std::vector<uint8_t> Bytes(SimulatedWindow& sim, const vesmor::sim::Uid& uid) {
    std::vector<uint8_t> bytes;
    for (int block = 0; block < 2; ++block) {
        const auto data = sim.link.Field().Block(uid, block);
        bytes.insert(bytes.end(), data->begin(), data->end());
    }
    return bytes;
}

std::vector<uint8_t> Ascii(const char* text) {
    return std::vector<uint8_t>(text, text + std::strlen(text));
}

}  // namespace

class DbWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        conninfo = server.CreateDatabase("window");
        db::PgSession session(conninfo);
        QVERIFY(!db::InitSchema(session));
        db::DbJob job;
        job.name = "Fenster";
        job.format = kFormatDecimalAscii;
        job.byteCount = 8;
        job.zeros = true;
        job.first = 500;
        job.last = 599;
        QVERIFY(!db::CreateJob(session, job));
    }

    void writesTheReservedValueAndEachTagOnce() {
        SimulatedWindow sim;
        ui::SaveDbChoice(sim.profile, {true, conninfo, "Fenster", "W1"});
        auto& window = sim.Open();
        const auto uid = sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp);
        sim.Click("buttonWriteOnce");
        QCOMPARE(Bytes(sim, uid), Ascii("00000500"));
        QLineEdit* field = sim.Control<QLineEdit>("editWrite");
        QCOMPARE(field->text(), QString("00000501"));
        QVERIFY(field->isReadOnly());
        QVERIFY(StatusText(sim).contains("Job Fenster, Station W1 (" +
                                         QString::fromStdString(server.Dir())));
        QVERIFY(StatusText(sim).contains("Wert <00000500> erfolgreich geschrieben"));
        sim.Click("buttonWriteOnce");
        QVERIFY2(StatusText(sim).contains(
                     QString("Transponder UID %1 hat bereits den Wert 00000500 (Station W1)")
                         .arg(QString::fromStdString(vesmor::sim::UidText(uid)))),
                 qPrintable(StatusText(sim)));
        QCOMPARE(field->text(), QString("00000501"));
        window.done(CVESMOR_TagforgeDlg::kResultClose);
        // The profile keeps the window's own counter, not the database's value.
        QCOMPARE(sim.profile.ReadString("Settings", "LastData", ""), std::string("0"));
    }

    void aStoppedServerStopsTheCycleAndTheNextStartContinues() {
        SimulatedWindow sim;
        ui::SaveDbChoice(sim.profile, {true, conninfo, "Fenster", "W2"});
        sim.profile.WriteInt("Settings", "ZyklusZeit", 20);
        auto& window = sim.Open();
        sim.Click("buttonWriteCycle");
        QVERIFY(window.WriteCycleRunning());
        server.Stop("immediate");
        // Each simulator numbers its tags from 1: this one is another station's.
        const auto uid = sim.link.Field().Insert(
            vesmor::sim::ChipKind::kNxp, vesmor::sim::MakeUid(vesmor::sim::ChipKind::kNxp, 2));
        QTRY_VERIFY_WITH_TIMEOUT(!window.WriteCycleRunning(), 10000);
        QVERIFY(!sim.Control<QPushButton>("buttonWriteCycle")->isChecked());
        QVERIFY2(StatusText(sim).contains("Datenbank: "), qPrintable(StatusText(sim)));
        QCOMPARE(Bytes(sim, uid), std::vector<uint8_t>(8, 0));
        QVERIFY(!sim.Control<QLineEdit>("editWrite")->isReadOnly());
        server.Start();
        sim.Click("buttonWriteOnce");
        QVERIFY2(Bytes(sim, uid) == Ascii("00000502"), qPrintable(StatusText(sim)));
    }

    void theMenuWindowSwitchesBackToTheLocalCounter() {
        SimulatedWindow sim;
        ui::SaveDbChoice(sim.profile, {true, conninfo, "Fenster", "W3"});
        sim.profile.WriteString("Settings", "LastData", "7");
        auto& window = sim.Open();
        sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp,
                                vesmor::sim::MakeUid(vesmor::sim::ChipKind::kNxp, 3));
        sim.Click("buttonWriteOnce");
        QVERIFY(sim.Control<QLineEdit>("editWrite")->isReadOnly());
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(),
                 QString("00000505"));  // 504 written, 505 held
        sim.prompts.runModal = [](QDialog& dialog) {
            QCheckBox* active = dialog.findChild<QCheckBox*>();
            active->setChecked(false);
            dialog.accept();
            return dialog.result();
        };
        window.SystemCommand(CVESMOR_TagforgeDlg::kCommandDatabase);
        QVERIFY(!sim.Control<QLineEdit>("editWrite")->isReadOnly());
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString("7"));
        QCOMPARE(ui::LoadDbChoice(sim.profile).active, false);
        QCOMPARE(ui::LoadDbChoice(sim.profile).job, std::string("Fenster"));
    }

    void aPasswordInTheProfileIsNotUsed() {
        SimulatedWindow sim;
        sim.profile.WriteInt("Datenbank", "Aktiv", 1);
        sim.profile.WriteString("Datenbank", "Verbindung", conninfo + " password=x");
        QCOMPARE(ui::LoadDbChoice(sim.profile).active, false);
    }

  private:
    tagforge::test::PgServer server;
    std::string conninfo;
};

}  // namespace tagforge::ui::test

QTEST_MAIN(tagforge::ui::test::DbWindowTest)
#include "db_window_test.moc"
