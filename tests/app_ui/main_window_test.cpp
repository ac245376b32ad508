// The main window under the offscreen platform, connected to a simulated reader.

#include <QCheckBox>
#include <QFocusEvent>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "app/core/data_file.h"
#include "app/ui/file_dialogs.h"
#include "app/ui/wait_hooks_qt.h"
#include "common/messages.h"
#include "tests/app_ui/window_fixture.h"

namespace tagforge::ui::test {

namespace {

QString StatusText(const SimulatedWindow& sim) {
    return sim.Control<QPlainTextEdit>("editStatus")->toPlainText();
}

QStringList ProfileKeys(const SimulatedWindow& sim) {
    QSettings file(sim.home.ProfileFile(), QSettings::IniFormat);
    return file.allKeys();
}

void SetText(const SimulatedWindow& sim, const char* name, const QString& text) {
    sim.Control<QLineEdit>(name)->setText(text);
}

// Names of the controls that a running cycle disables.
const char* const kCycleControls[] = {
    "radioFormat0", "radioFormat1",   "radioFormat2",    "radioFormat3",       "radioFormat4",
    "radioFormat5", "buttonCopy",     "buttonReadCycle", "buttonReadOnce",     "buttonWriteOnce",
    "buttonAll",    "editStartblock", "editByteanzahl",  "checkAutoIncrement", "checkAutoNull",
};

// Controls that stay as they are while a cycle runs.
const char* const kFreeControls[] = {
    "checkPrefix",   "checkKeepLast", "checkLogWrite", "checkLogRead",      "buttonLogWrite",
    "buttonLogRead", "buttonLoadJob", "buttonSaveJob", "buttonResetStatus", "buttonClose",
};

std::vector<bool> EnabledStates(const SimulatedWindow& sim) {
    std::vector<bool> states;
    for (const char* name : kFreeControls) {
        states.push_back(sim.Control<QWidget>(name)->isEnabled());
    }
    return states;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void connectsAndNamesTheReaderInTheTitle() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        QVERIFY(window.Connection().IsOpen());
        QVERIFY(window.windowTitle().startsWith("VESMOR Tagforge V"));
        QVERIFY(window.windowTitle().endsWith(QString::fromStdString(sim.link.Path()) +
                                              ":1  FW V1.07>"));
        QVERIFY(sim.prompts.messages.isEmpty());
    }

    void readerOnlyDeviceLeavesTheWindowWithoutReader() {
        SimulatedWindow sim(0x144);
        auto& window = sim.Open();
        QCOMPARE(window.Connection().Handle(), 0);
        QCOMPARE(sim.prompts.messages,
                 QStringList{"Das gewählte Gerät ist ein reiner Leser! Hier wird jedoch ein "
                             "Programmer benötigt!"});
        sim.Click("buttonWriteOnce");
        QCOMPARE(StatusText(sim), QString("Fehler beim Port öffnen\n"));
        // The content window, run modally, ends at once without a port handle.
        sim.prompts.runModal = [](QDialog& dialog) { return dialog.exec(); };
        sim.Click("buttonAll");
        QCOMPARE(sim.prompts.messages.last(), QString("Es ist kein Porthandle vorhanden"));
    }

    void firstStartWritesTheDefaultsAndTheLogFlagsOnlyAtClose() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        sim.profile.Flush();
        QStringList keys = ProfileKeys(sim);
        QVERIFY(keys.contains("Settings/ZyklusZeit"));
        QVERIFY(keys.contains("Protokoll/LogFileNameSchreiben"));
        QVERIFY(!keys.contains("Protokoll/LogFileEnableSchreiben"));
        QVERIFY(!keys.contains("Protokoll/LogFileEnableLesen"));
        QVERIFY(!keys.contains("MainWnd/left"));
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString("0"));
        QCOMPARE(sim.Control<QLineEdit>("editByteanzahl")->text(), QString("4"));
        QCOMPARE(sim.Control<QLineEdit>("editLogWriteName")->text(),
                 sim.logs.path() + "/Protokoll_S.txt");
        window.reject();
        QCOMPARE(window.result(), CVESMOR_TagforgeDlg::kResultClose);
        sim.profile.Flush();
        keys = ProfileKeys(sim);
        QVERIFY(keys.contains("Protokoll/LogFileEnableSchreiben"));
        QVERIFY(keys.contains("Protokoll/LogFileEnableLesen"));
        QVERIFY(keys.contains("MainWnd/right"));
        QVERIFY(!window.Connection().IsOpen());
    }

    void closingSavesTheControls() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        SetText(sim, "editWrite", "77ab");
        SetText(sim, "editStartblock", "3");
        sim.Control<QCheckBox>("checkLogRead")->setChecked(true);
        window.reject();
        QCOMPARE(sim.profile.ReadString("Settings", "LastData", ""), std::string("77ab"));
        QCOMPARE(sim.profile.ReadInt("Settings", "Startblock", -1), 3);
        QCOMPARE(sim.profile.ReadInt("Protokoll", "LogFileEnableLesen", -1), 1);
        QCOMPARE(sim.profile.ReadInt("Protokoll", "LogFileEnableSchreiben", -1), 0);
    }

    void storedRectangleIsMovedOntoTheScreens() {
        SimulatedWindow sim;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const WindowRect stored{screen.right() - 200, screen.top() + 10,
                                screen.right() - 200 + 1400, screen.top() + 10 + 900};
        sim.profile.WriteInt("MainWnd", "left", stored.left);
        sim.profile.WriteInt("MainWnd", "top", stored.top);
        sim.profile.WriteInt("MainWnd", "right", stored.right);
        sim.profile.WriteInt("MainWnd", "bottom", stored.bottom);
        auto& window = sim.Open();
        const WindowRect expected =
            MoveIntoScreens(stored, {screen.left(), screen.top(), screen.left() + screen.width(),
                                     screen.top() + screen.height()});
        QCOMPARE(window.geometry(),
                 QRect(expected.left, expected.top, expected.Width(), expected.Height()));
        QCOMPARE(window.geometry().size(), QSize(1400, 900));
    }

    void formatSwitchBeforeAnyTransponderReportsTheMissingMemory() {
        SimulatedWindow sim;
        sim.Open();
        SetText(sim, "editWrite", "1A2B");
        sim.Click("radioFormat1");
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString());
        QCOMPARE(StatusText(sim), QString("Maximale Blocknummer überschritten\n"));
    }

    void formatSwitchSwapsFieldsAndConvertsTheText() {
        SimulatedWindow sim;
        sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp);
        auto& window = sim.Open();
        sim.Click("buttonReadOnce");  // the transponder's memory is known from now on
        QCOMPARE(sim.Control<QLineEdit>("editRead")->text(), QString("00000000"));
        SetText(sim, "editWrite", "41424344");
        sim.Click("radioFormat1");
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString("DCBA"));
        QCOMPARE(sim.Control<QLineEdit>("editRead")->text(), QString());
        QVERIFY(!sim.Control<QPlainTextEdit>("editWriteMulti")->isVisibleTo(&window));
        QVERIFY(!QFontInfo(sim.Control<QLineEdit>("editWrite")->font()).fixedPitch());

        sim.Click("radioFormat4");
        QVERIFY(sim.Control<QPlainTextEdit>("editWriteMulti")->isVisibleTo(&window));
        QVERIFY(sim.Control<QPlainTextEdit>("editReadMulti")->isVisibleTo(&window));
        QVERIFY(!sim.Control<QLineEdit>("editWrite")->isVisibleTo(&window));
        QCOMPARE(sim.Control<QPlainTextEdit>("editWriteMulti")->toPlainText(),
                 QString("44 43 42 41"));
        QVERIFY(QFontInfo(sim.Control<QPlainTextEdit>("editWriteMulti")->font()).fixedPitch());
        for (const char* box : {"checkAutoIncrement", "checkAutoNull", "checkPrefix"}) {
            QVERIFY(!sim.Control<QCheckBox>(box)->isEnabled());
            QVERIFY(!sim.Control<QCheckBox>(box)->isChecked());
        }

        sim.Click("radioFormat0");
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString("41424344"));
        QVERIFY(QFontInfo(sim.Control<QLineEdit>("editWrite")->font()).fixedPitch());
        QVERIFY(sim.Control<QCheckBox>("checkAutoIncrement")->isEnabled());
        QVERIFY(!sim.Control<QCheckBox>("checkAutoNull")->isEnabled());
    }

    void multiLineTextIsWrittenAndShownWithCrLfLineBreaks() {
        SimulatedWindow sim;
        const auto uid = sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp);
        auto& window = sim.Open();
        QVERIFY(!window.windowIcon().isNull());
        sim.Click("radioFormat5");
        SetText(sim, "editByteanzahl", "4");
        sim.Control<QPlainTextEdit>("editWriteMulti")->setPlainText("a\nb");
        sim.Click("buttonWriteOnce");
        QCOMPARE(sim.link.Field().Block(uid, 0), (std::vector<uint8_t>{'a', '\r', '\n', 'b'}));
        sim.Click("buttonReadOnce");
        QCOMPARE(sim.Control<QPlainTextEdit>("editReadMulti")->toPlainText(), QString("a\nb"));
        // A line break takes two of the four characters.
        auto* write = sim.Control<QPlainTextEdit>("editWriteMulti");
        write->clear();
        write->setFocus();
        QTest::keyClicks(write, "ab");
        QTest::keyClick(write, Qt::Key_Return);
        QTest::keyClicks(write, "cd");
        QCOMPARE(write->toPlainText(), QString("ab\n"));
    }

    void writeFieldTakesNoMoreThanItsLimit() {
        SimulatedWindow sim;
        sim.Open();
        auto* write = sim.Control<QLineEdit>("editWrite");
        write->clear();
        QTest::keyClicks(write, "123456789");
        QCOMPARE(write->text(), QString("12345678"));  // format 0, 4 bytes: 8 digits
        SetText(sim, "editByteanzahl", "2");
        QFocusEvent focusOut(QEvent::FocusOut);  // "Länge in Bytes" loses the focus
        QApplication::sendEvent(sim.Control<QLineEdit>("editByteanzahl"), &focusOut);
        write->clear();
        QTest::keyClicks(write, "123456");
        QCOMPARE(write->text(), QString("1234"));
        // A longer text put in by the program stays whole, for the checks to refuse.
        write->setText("123456");
        QCOMPARE(write->text(), QString("123456"));
    }

    void leadingZeroToggleFillsAndRemovesZeros() {
        SimulatedWindow sim;
        sim.Open();
        sim.Click("radioFormat3");
        SetText(sim, "editByteanzahl", "6");
        SetText(sim, "editWrite", "42");
        sim.Click("checkAutoNull");
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString("000042"));
        sim.Click("checkAutoNull");
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString("42"));
    }

    void controlsAreDisabledDuringACycleAndEnabledAfter() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        const std::vector<bool> free = EnabledStates(sim);
        sim.Click("buttonWriteCycle");
        QVERIFY(window.WriteCycleRunning());
        for (const char* name : kCycleControls) {
            QVERIFY2(!sim.Control<QWidget>(name)->isEnabled(), name);
        }
        QCOMPARE(EnabledStates(sim), free);
        QVERIFY(sim.Control<QAbstractButton>("buttonWriteCycle")->isEnabled());
        QVERIFY(sim.Control<QAbstractButton>("buttonWriteCycle")->isChecked());
        sim.Click("buttonWriteCycle");
        QVERIFY(!window.WriteCycleRunning());
        QVERIFY(!sim.Control<QAbstractButton>("buttonWriteCycle")->isChecked());
        for (const char* name : kCycleControls) {
            const bool leadingZeros = std::string(name) == "checkAutoNull";  // formats 1, 3 only
            QVERIFY2(sim.Control<QWidget>(name)->isEnabled() != leadingZeros, name);
        }
        sim.Click("buttonReadCycle");
        QVERIFY(window.ReadCycleRunning());
        QVERIFY(!sim.Control<QWidget>("buttonWriteCycle")->isEnabled());
        sim.Click("buttonReadCycle");
        QVERIFY(sim.Control<QWidget>("buttonWriteCycle")->isEnabled());
    }

    void writeCycleProgramsEachTransponderOnTheTicks() {
        SimulatedWindow sim;
        sim.profile.WriteInt("Settings", "ZyklusZeit", 20);
        sim.profile.WriteInt("Settings", "BeepTime", 0);
        const auto uid = sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp);
        auto& window = sim.Open();
        sim.Click("buttonWriteCycle");
        QTRY_COMPARE(StatusText(sim), QString("Wert <0> erfolgreich geschrieben\n"));
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString("1"));
        sim.link.Field().Remove(uid);
        sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp);
        QTRY_VERIFY(StatusText(sim).endsWith("Wert <1> erfolgreich geschrieben\n"));
        sim.Click("buttonWriteCycle");
        QVERIFY(!window.WriteCycleRunning());
    }

    void statusBoxShowsEachMessageAndResetEmptiesIt() {
        SimulatedWindow sim;
        sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp);
        auto& window = sim.Open();
        sim.Click("buttonWriteOnce");
        QCOMPARE(StatusText(sim), QString("Wert <0> erfolgreich geschrieben\n"));
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString("1"));
        sim.Click("buttonWriteOnce");
        QCOMPARE(StatusText(sim), QString("Wert <0> erfolgreich geschrieben\n"
                                          "Wert <1> erfolgreich geschrieben\n"));
        sim.Click("buttonResetStatus");
        QCOMPARE(StatusText(sim), QString());
        QCOMPARE(window.Status().LineCount(), 1);
    }

    void invalidWriteTextIsRefusedBeforeAnyWrite() {
        SimulatedWindow sim;
        sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp);
        sim.Open();
        SetText(sim, "editWrite", "XYZ");
        sim.Click("buttonWriteOnce");
        QCOMPARE(sim.prompts.messages, QStringList{"Keine Hex-Eingabe"});
        QCOMPARE(StatusText(sim), QString("OnSchreiben UpdateData Fehler\n"));
        sim.Click("buttonWriteCycle");
        QVERIFY(!sim.Control<QAbstractButton>("buttonWriteCycle")->isChecked());
    }

    void dataFileSaveRefusesAnInvalidText() {
        SimulatedWindow sim;
        sim.Open();
        SetText(sim, "editWrite", "12G4");
        sim.prompts.nextFile = sim.logs.path() + "/job.KTDat";
        sim.Click("buttonSaveJob");
        QCOMPARE(sim.prompts.messages, QStringList{"Keine Hex-Eingabe"});
        QCOMPARE(sim.prompts.savesAsked, 0);
        QVERIFY(!QFile::exists(sim.prompts.nextFile));
    }

    void dataFileThatCannotBeSavedOrReadSaysWhyAndKeepsTheJob() {
        SimulatedWindow sim;
        sim.Open();
        sim.Click("radioFormat3");
        SetText(sim, "editWrite", "0815");
        sim.prompts.nextFile = sim.logs.path() + "/missing/job.KTDat";
        sim.Click("buttonSaveJob");
        QCOMPARE(sim.prompts.messages,
                 QStringList{"Datensatz nicht gespeichert: " + sim.prompts.nextFile +
                             " (Verzeichnis nicht vorhanden)"});
        // A directory stands for a file that cannot be read.
        sim.prompts.messages.clear();
        sim.prompts.nextFile = sim.logs.path();
        sim.Click("buttonLoadJob");
        QCOMPARE(sim.prompts.messages.size(), 1);
        QVERIFY(sim.prompts.messages[0].startsWith("Datensatz nicht gelesen: " + sim.logs.path() +
                                                   " (Fehler 21: "));
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString("0815"));
        QVERIFY(sim.Control<QAbstractButton>("radioFormat3")->isChecked());
    }

    void dataFileIsSavedAndLoadedBack() {
        SimulatedWindow sim;
        sim.Open();
        sim.Click("radioFormat3");
        SetText(sim, "editWrite", "0815");
        SetText(sim, "editStartblock", "2");
        sim.prompts.nextFile = sim.logs.path() + "/job.KTDat";
        sim.Click("buttonSaveJob");
        const WriteJob saved = LoadDataFile(sim.prompts.nextFile.toStdString());
        QCOMPARE(saved.LastData, std::string("0815"));
        QCOMPARE(saved.Datenformat, 3);
        QCOMPARE(saved.Startblock, 2);

        WriteJob binary;
        binary.Datenformat = kFormatDataBinary;
        binary.LastData = "01 02";
        binary.AutoIncrement = true;
        binary.AutoNull = true;
        binary.Byteanzahl = 2000;  // out of range: shown as it is, refused later
        sim.prompts.nextFile = sim.logs.path() + "/binary.KTDat";
        QVERIFY(SaveDataFile(sim.prompts.nextFile.toStdString(), binary));
        sim.Click("buttonLoadJob");
        QVERIFY(sim.Control<QRadioButton>("radioFormat4")->isChecked());
        QCOMPARE(sim.Control<QPlainTextEdit>("editWriteMulti")->toPlainText(), QString("01 02"));
        QCOMPARE(sim.Control<QLineEdit>("editByteanzahl")->text(), QString("2000"));
        QVERIFY(!sim.Control<QCheckBox>("checkAutoIncrement")->isChecked());
        QVERIFY(!sim.Control<QCheckBox>("checkAutoIncrement")->isEnabled());
        QVERIFY(!sim.Control<QCheckBox>("checkAutoNull")->isChecked());
        sim.Click("buttonWriteOnce");
        QCOMPARE(sim.prompts.messages,
                 QStringList{"Geben Sie eine ganze Zahl zwischen 1 und 1023 ein."});
    }

    void chosenLogFileIsShownAndStored() {
        SimulatedWindow sim;
        sim.Open();
        sim.prompts.nextFile = sim.logs.path() + "/schreiben.txt";
        sim.Click("buttonLogWrite");
        QCOMPARE(sim.Control<QLineEdit>("editLogWriteName")->text(), sim.prompts.nextFile);
        QCOMPARE(sim.profile.ReadString("Protokoll", "LogFileNameSchreiben", ""),
                 sim.prompts.nextFile.toStdString());
        QVERIFY(!sim.Control<QCheckBox>("checkLogWrite")->isChecked());
    }

    void copyButtonTakesTheReadValueOver() {
        SimulatedWindow sim;
        sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp);
        sim.Open();
        SetText(sim, "editWrite", "BEEF");
        sim.Click("buttonWriteOnce");
        sim.Click("buttonReadOnce");
        SetText(sim, "editWrite", "");
        sim.Click("buttonCopy");
        QCOMPARE(sim.Control<QLineEdit>("editWrite")->text(), QString("0000BEEF"));
    }

    void systemMenuOffersTheOtherLanguage() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        const auto entries = [&window] {
            QMenu menu;
            window.FillSystemMenu(menu);
            QStringList texts;
            for (const QAction* action : menu.actions()) {
                texts << (action->isSeparator() ? QString("-")
                          : action->isEnabled() ? action->text()
                                                : "(" + action->text() + ")");
            }
            return texts;
        };
        QCOMPARE(entries(), (QStringList{"Einstellungen", "Schnittstelle wählen", "-", "Englisch",
                                         "-", "Datenbank-Job ...",
                                         "Inf&o über VESMOR Tagforge ..."}));
        sim.profile.WriteInt("Settings", "Sprache", 1);
        QCOMPARE(entries()[3], QString("Deutsch"));
        sim.profile.WriteInt("Settings", "Sprache", 7);
        QCOMPARE(entries().mid(3, 2), (QStringList{"Deutsch", "Englisch"}));
    }

    void languageEntryStoresTheLanguageAndAsksForANewWindow() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        window.SystemCommand(CVESMOR_TagforgeDlg::kCommandEnglish);
        QCOMPARE(window.result(), CVESMOR_TagforgeDlg::kResultLanguage);
        QCOMPARE(sim.profile.ReadInt("Settings", "Sprache", -1), 1);
    }

    void chooseInterfaceClosesThePortAndCancelLeavesNoReader() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        QVERIFY(window.Connection().IsOpen());
        QCOMPARE(sim.prompts.modalRuns, 0);
        window.SystemCommand(CVESMOR_TagforgeDlg::kCommandInterface);
        QCOMPARE(sim.prompts.modalRuns, 1);
        QCOMPARE(window.Connection().Handle(), 0);
        QVERIFY(sim.prompts.messages.isEmpty());
        QCOMPARE(sim.profile.ReadString("Port", "Name", ""), sim.link.Path());
    }

    void settingsAreReadAgainAfterTheSettingsWindow() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        sim.profile.WriteInt("Settings", "BeepTime", 0);
        sim.profile.WriteInt("Settings", "ZyklusZeit", 1000);
        window.ReloadCycleSettings();
        QCOMPARE(window.Engine().Settings().BeepTime, 0);
        QCOMPARE(window.Engine().Settings().ZyklusZeit, 1000);
    }

    void logFileDialogIsASaveDialogWithItsTitleAndButtons() {
        CLogFileDialog write(nullptr, true, "/tmp/Protokoll_S.txt");
        QCOMPARE(write.windowTitle(), QString("Logdatei \"Schreiben\" wählen"));
        QCOMPARE(write.acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(write.defaultSuffix(), QString("txt"));
        QCOMPARE(write.nameFilters(), (QStringList{"Log Files (*.txt)", "All Files (*)"}));
        QCOMPARE(write.labelText(QFileDialog::Accept), QString("OK"));
        QCOMPARE(write.labelText(QFileDialog::Reject), QString("Abbruch"));
        QCOMPARE(write.selectedFiles(), QStringList{"/tmp/Protokoll_S.txt"});
        QVERIFY(write.filter().testFlag(QDir::Writable));
        QVERIFY(write.testOption(QFileDialog::DontConfirmOverwrite));
        CLogFileDialog read(nullptr, false, "");
        QCOMPARE(read.windowTitle(), QString("Logdatei \"Lesen\" wählen"));
    }

    void dataFileDialogsUseTheDataFileExtension() {
        CDataFileDialog save(nullptr, true);
        QCOMPARE(save.acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(save.defaultSuffix(), QString("KTDat"));
        QCOMPARE(save.nameFilters(), (QStringList{"Data Files (*.KTDat)", "All Files (*)"}));
        CDataFileDialog load(nullptr, false);
        QCOMPARE(load.acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(load.fileMode(), QFileDialog::ExistingFile);
    }

    void waitHooksBlockInputAndRestoreTheFocus() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        const UiWaitHooks hooks;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* write = sim.Control<QLineEdit>("editWrite");
        write->setFocus();
        window.Engine();  // nothing else to do: the hooks act on the active window
        UiWaitHooks::Begin();
        QTest::keyClicks(write, "99");
        QTest::mouseClick(sim.Control<QAbstractButton>("checkKeepLast"), Qt::LeftButton);
        sim.Control<QWidget>("editStartblock")->setFocus();
        UiWaitHooks::End();
        QCOMPARE(write->text(), QString("0"));
        QVERIFY(!sim.Control<QCheckBox>("checkKeepLast")->isChecked());
        QCOMPARE(QApplication::focusWidget(), write);
        QTest::keyClicks(write, "9");
        QCOMPARE(write->text(), QString("09"));
    }
};

}  // namespace tagforge::ui::test

QTEST_MAIN(tagforge::ui::test::MainWindowTest)
#include "main_window_test.moc"
