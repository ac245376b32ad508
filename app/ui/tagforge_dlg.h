#pragma once
// The main window: parameters, data format, the "Lesen" and "Schreiben" groups with their
// single and cyclic runs, the log files, the status box and the data-file buttons. The engine
// behind it is the one of app/core; this class moves values between the controls and that
// engine and keeps the controls in step with the format and the running cycle.

#include <QBasicTimer>
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

#include "app/core/engine_host.h"
#include "app/core/engine_stack.h"
#include "app/core/profile_counter.h"
#include "app/core/reader_library.h"
#include "app/core/settings_model.h"
#include "app/i18n/translation.h"
#include "app/ui/app_paths.h"
#include "app/ui/user_prompts.h"
#include "periphery/interface_library.h"

class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QRadioButton;

namespace Ui {
class CVESMOR_TagforgeDlg;
}

namespace tagforge::ui {

class DbBinding;
class LineTextLimit;
class PlainTextLimit;

// What the window works with; the program passes the real ones, tests their own.
struct DialogServices {
    ProfileStore& profile;
    ReaderLibrary& library;
    InterfaceLibrary& interfaces;  // for the interface selection window
    Beeper& beeper;
    Clock& clock;
    UiPrompts& prompts;
    std::string logDirectory;  // for default log names, ending in '/'
    // Where F1 looks for the manual.
    QStringList helpDirectories = i18n::DataDirectories(ProgramDirectory());
};

class CVESMOR_TagforgeDlg final : public QDialog, private EngineView, private StatusView {
  public:
    // Results of the modal run: re-create the window, end the program, re-create it with the
    // stored language.
    static constexpr int kResultRecreate = 1;
    static constexpr int kResultClose = 2;
    static constexpr int kResultLanguage = 10;

    // System menu commands.
    static constexpr int kCommandAbout = 16;
    static constexpr int kCommandGerman = 171;
    static constexpr int kCommandEnglish = 172;
    static constexpr int kCommandInterface = 1000;
    static constexpr int kCommandSettings = 1001;
    static constexpr int kCommandDatabase = 1002;

    // Reads the settings from the profile.
    explicit CVESMOR_TagforgeDlg(const DialogServices& services, QWidget* parent = nullptr);
    ~CVESMOR_TagforgeDlg() override;

    // Fonts, minimum size, layout for the stored format, window position. The stored reader is
    // connected on the next turn of the event loop, once the window is shown (or at once by
    // ConnectPendingReader).
    void Initialize();
    // The connection Initialize left for the event loop, made now; nothing when it is made.
    void ConnectPendingReader();
    // Whether that connection is still to be made or being made (its waits let the event loop
    // run, so other queued work may come while it is under way).
    bool StartConnectionUnderWay() const { return m_connectPending || m_connecting; }

    // The entries of the system menu, by the stored language; each runs SystemCommand.
    void FillSystemMenu(QMenu& menu);
    // A command of the system menu.
    void SystemCommand(int command);
    // F1: the manual in the window's language.
    void ShowHelp();

    // `BeepTime` and `ZyklusZeit` again from the profile (after the settings window).
    void ReloadCycleSettings();

    bool WriteCycleRunning() const { return m_writeTimer.isActive(); }
    bool ReadCycleRunning() const { return m_readTimer.isActive(); }
    const CycleEngine& Engine() const { return m_stack->engine; }
    const ReaderConnection& Connection() const { return m_stack->connection; }
    const StatusBox& Status() const { return m_stack->status; }

    // Closing stops the cycles, saves the settings and closes the port; "Schliessen", Esc and the
    // close box end the window with kResultClose.
    void done(int result) override;
    void reject() override;
    // A quit signal: closes the window as "Schliessen" does, once the write or read under way
    // has finished (its transponder written whole and logged) and any window over this one is
    // closed.
    void RequestClose();

  protected:
    void timerEvent(QTimerEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // EngineView
    void ShowMessageBox(const std::string& text) override;
    void SetWaitCursor(bool waiting) override;
    void SetTitle(const std::string& title) override;
    void ShowWriteText(const std::string& text) override;
    void ShowReadText(const std::string& text) override;
    // StatusView
    void ClearLines() override;
    void AppendLine(const std::string& line) override;

    void ConnectSignals();
    // The menu button beside "Schliessen" and the F1 key.
    void AddMenuButtonAndHelpKey();
    void ConnectReader(int firstAttempt);
    // Attempt 0: the stored interface; later attempts: the user's choice in the interface
    // selection window, nothing when cancelled.
    std::optional<ConnectionRequest> NextConnection(int attempt);
    void PlaceWindow();
    void SaveSettings();

    // Controls <-> state (dlg_fields.cpp).
    bool TransferControls(bool checkWriteText);
    void KeepValidValues(const WriteJob& candidate);
    void TransferState();
    QString WriteFieldText() const;
    void SetWriteFieldText(const QString& text);
    void SetReadFieldText(const QString& text);
    void OnFormatButton(int format);
    void RefreshLayout();
    void OnByteCountLeft();
    void OnLeadingZeroToggle();
    void ShowStatus(int messageId);

    // Actions (dlg_actions.cpp).
    void OnWriteOnce();
    void OnReadOnce();
    void ToggleCycle(bool write);
    void SetCycleControlsEnabled(bool enabled);
    void OnCopyReadValue();
    void OnChooseLogFile(bool writeLog);
    void OnSaveJob();
    void OnLoadJob();
    // The database job (db_actions.cpp): its value in the write field before a write, false
    // with a status line when it cannot be had; the cycle stops when the database fails.
    bool PrepareNumberSource();
    void OnDatabaseJob();
    void AfterWriteTick(std::optional<StepResult> result);

    WriteJob& Job() { return m_stack->engine.Job(); }
    QRadioButton* FormatButton(int format) const;

    // Runs one write or read of the window; a close asked for meanwhile follows it.
    void RunStep(const std::function<void()>& step);

    DialogServices m_services;
    ProfileCounter m_counter;
    std::unique_ptr<Ui::CVESMOR_TagforgeDlg> m_ui;
    std::unique_ptr<EngineStack> m_stack;
    LineTextLimit* m_writeLimit = nullptr;
    PlainTextLimit* m_writeMultiLimit = nullptr;
    QBasicTimer m_writeTimer;  // timer 1
    QBasicTimer m_readTimer;   // timer 2
    bool m_closed = false;
    bool m_connectPending = false;  // the start's connection is still to be made
    bool m_connecting = false;      // ... or is being made
    std::unique_ptr<DbBinding> m_db;
    bool m_closeRequested = false;
    int m_stepDepth = 0;
};

}  // namespace tagforge::ui
