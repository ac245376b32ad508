#include "app/ui/tagforge_dlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

#include "app/ui/about_dlg.h"
#include "app/ui/beep_time_dlg.h"
#include "app/ui/db_binding.h"
#include "app/ui/fixed_font.h"
#include "app/ui/help.h"
#include "app/ui/iso15693_dlg.h"
#include "app/ui/text_limit.h"
#include "app/ui/window_icon.h"
#include "app/update/updater.h"
#include "periphery/ui/port_dlg.h"
#include "periphery/ui/window_text.h"
#include "ui_tagforge_dlg.h"

namespace tagforge::ui {

CVESMOR_TagforgeDlg::CVESMOR_TagforgeDlg(const DialogServices& services, QWidget* parent)
    : QDialog(parent),
      m_services(services),
      m_counter(services.profile),
      m_ui(std::make_unique<Ui::CVESMOR_TagforgeDlg>()) {
    m_ui->setupUi(this);
    m_writeLimit = new LineTextLimit(m_ui->editWrite);
    m_writeMultiLimit = new PlainTextLimit(m_ui->editWriteMulti);
    const EngineHost host{services.library, *this, *this, services.beeper, services.clock};
    m_stack = std::make_unique<EngineStack>(host, ToUtf8(windowTitle()));
    const MainWindowSettings settings =
        LoadMainWindowSettings(services.profile, services.logDirectory);
    m_stack->engine.Job() = settings.job;
    m_stack->engine.Settings() = settings.cycle;
    m_stack->engine.Logs() = settings.logs;
    m_db = std::make_unique<DbBinding>(services.profile);
    m_stack->engine.SetCounterStore(&m_counter);
    ConnectSignals();
    AddMenuButtonAndHelpKey();
}

CVESMOR_TagforgeDlg::~CVESMOR_TagforgeDlg() {
    if (!m_closed) {
        done(kResultClose);
    }
}

void CVESMOR_TagforgeDlg::Initialize() {
    setWindowIcon(TagforgeIcon());
    m_ui->editLogWriteName->setText(FromUtf8(m_stack->engine.Logs().writeFile));
    m_ui->editLogReadName->setText(FromUtf8(m_stack->engine.Logs().readFile));
    TransferState();
    // The size at start (the dialog laid out as designed) is the smallest the window may get,
    // whatever the stored format's layout makes of it afterwards.
    adjustSize();
    setMinimumSize(size());
    RefreshLayout();
    PlaceWindow();
    // A stored reader that is absent takes its time to fail and then shows a message: the
    // window is shown first, and the connection is made once its event loop runs.
    m_connectPending = true;
    QTimer::singleShot(0, this, [this] { ConnectPendingReader(); });
}

void CVESMOR_TagforgeDlg::ConnectPendingReader() {
    if (!m_connectPending || m_closed) {
        return;
    }
    m_connectPending = false;
    m_connecting = true;
    ConnectReader(0);
    m_connecting = false;
}

void CVESMOR_TagforgeDlg::ConnectSignals() {
    Ui::CVESMOR_TagforgeDlg& ui = *m_ui;
    for (int format = 0; format < kFormatCount; ++format) {
        connect(FormatButton(format), &QRadioButton::clicked, this,
                [this, format] { OnFormatButton(format); });
    }
    connect(ui.buttonWriteOnce, &QPushButton::clicked, this, [this] { OnWriteOnce(); });
    connect(ui.buttonReadOnce, &QPushButton::clicked, this, [this] { OnReadOnce(); });
    connect(ui.buttonWriteCycle, &QPushButton::clicked, this, [this] { ToggleCycle(true); });
    connect(ui.buttonReadCycle, &QPushButton::clicked, this, [this] { ToggleCycle(false); });
    connect(ui.buttonAll, &QPushButton::clicked, this, [this] {
        CISO15693Dlg content(m_stack->connection.Handle(), m_services.library, m_services.profile,
                             m_services.prompts, this);
        m_services.prompts.RunModal(content);
    });
    connect(ui.buttonCopy, &QPushButton::clicked, this, [this] { OnCopyReadValue(); });
    connect(ui.buttonResetStatus, &QPushButton::clicked, this, [this] { m_stack->status.Clear(); });
    connect(ui.checkAutoNull, &QCheckBox::clicked, this, [this] { OnLeadingZeroToggle(); });
    connect(ui.checkPrefix, &QCheckBox::clicked, this, [this] { OnLeadingZeroToggle(); });
    connect(ui.buttonLogWrite, &QPushButton::clicked, this, [this] { OnChooseLogFile(true); });
    connect(ui.buttonLogRead, &QPushButton::clicked, this, [this] { OnChooseLogFile(false); });
    connect(ui.buttonSaveJob, &QPushButton::clicked, this, [this] { OnSaveJob(); });
    connect(ui.buttonLoadJob, &QPushButton::clicked, this, [this] { OnLoadJob(); });
    connect(ui.buttonClose, &QPushButton::clicked, this, [this] { reject(); });
    ui.editByteanzahl->installEventFilter(this);
}

// The system menu has no title bar entry on every desktop; a right click on the window's
// background opens it, and so does this button, where a user finds it.
void CVESMOR_TagforgeDlg::AddMenuButtonAndHelpKey() {
    auto* button = new QToolButton(this);
    button->setObjectName("buttonMenu");
    button->setText(QCoreApplication::translate("CVESMOR_TagforgeDlg", "Menü"));
    button->setToolTip(QCoreApplication::translate(
        "CVESMOR_TagforgeDlg", "Einstellungen, Schnittstelle, Sprache und Info (F1: Hilfe)"));
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* menu = new QMenu(button);
    // Filled when it opens: the language entries follow the stored language.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        FillSystemMenu(*menu);
    });
    button->setMenu(menu);
    QHBoxLayout* buttons = m_ui->layoutButtons;
    buttons->insertWidget(buttons->indexOf(m_ui->buttonClose), button);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { ShowHelp(); });
}

void CVESMOR_TagforgeDlg::ShowHelp() {
    // The manual's file name is translated with the window: each language opens its own.
    tagforge::ui::ShowHelp(
        this, m_services.prompts, m_services.helpDirectories,
        QCoreApplication::translate("CVESMOR_TagforgeDlg", "VESMOR_Tagforge_Handbuch.pdf"));
}

// The interface selection window checks the stored interface when it is made; shown, it lets
// the user choose another.
std::optional<ConnectionRequest> CVESMOR_TagforgeDlg::NextConnection(int attempt) {
    CPortDlg choice(m_services.profile, m_services.interfaces, m_services.prompts, this);
    if (attempt > 0 && m_services.prompts.RunModal(choice) != QDialog::Accepted) {
        return std::nullopt;
    }
    return LoadConnection(m_services.profile, choice.GetOpenString());
}

void CVESMOR_TagforgeDlg::ConnectReader(int firstAttempt) {
    for (int attempt = firstAttempt;; ++attempt) {
        const std::optional<ConnectionRequest> request = NextConnection(attempt);
        if (!request || m_stack->connection.Connect(*request)) {
            return;
        }
    }
}

void CVESMOR_TagforgeDlg::SystemCommand(int command) {
    switch (command) {
        case kCommandInterface:
            m_stack->connection.Close();
            ConnectReader(1);
            break;
        case kCommandSettings: {
            CBeepTimeDlg settings(m_services.profile, m_services.prompts, this);
            m_services.prompts.RunModal(settings);
            ReloadCycleSettings();
            break;
        }
        case kCommandAbout: {
            CAboutDlg about(m_services.profile, update::Updater::Instance(), m_services.prompts,
                            this);
            m_services.prompts.RunModal(about);
            if (about.ProgramExitRequested()) {
                done(kResultClose);
            }
            break;
        }
        case kCommandDatabase:
            OnDatabaseJob();
            break;
        case kCommandGerman:
        case kCommandEnglish:
            SaveLanguage(m_services.profile, command == kCommandGerman ? 0 : 1);
            done(kResultLanguage);
            break;
        default:
            break;
    }
}

void CVESMOR_TagforgeDlg::ReloadCycleSettings() {
    tagforge::ReloadCycleSettings(m_services.profile, m_stack->engine.Settings());
}

// The window's system menu opens on a right click on the window's background (and from the menu
// button).
void CVESMOR_TagforgeDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    FillSystemMenu(menu);
    menu.exec(event->globalPos());
}

void CVESMOR_TagforgeDlg::FillSystemMenu(QMenu& menu) {
    // The entries come only with a translation that names the About entry (as both do).
    if (MessageQ(kMsgAboutMenu).isEmpty()) {
        return;
    }
    const auto add = [&](int id, int command, bool enabled = true) {
        QAction* action =
            menu.addAction(MessageQ(id), this, [this, command] { SystemCommand(command); });
        action->setEnabled(enabled);
    };
    // No standard entries stand above these here, so no separator comes first.
    add(kMsgSettingsMenu, kCommandSettings);
    add(kMsgChooseInterfaceMenu, kCommandInterface);
    menu.addSeparator();
    const int language = LoadLanguage(m_services.profile);
    if (language != 0) {
        add(kMsgGerman, kCommandGerman);
    }
    if (language != 1) {
        add(kMsgEnglish, kCommandEnglish);
    }
    menu.addSeparator();
    add(kMsgDbJobMenu, kCommandDatabase, !WriteCycleRunning());
    add(kMsgAboutMenu, kCommandAbout);
}

void CVESMOR_TagforgeDlg::PlaceWindow() {
    const std::optional<WindowRect> stored = LoadWindowRect(m_services.profile);
    if (!stored) {
        return;
    }
    QRect screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens = screens.united(screen->geometry());
    }
    const WindowRect rect =
        MoveIntoScreens(*stored, {screens.left(), screens.top(), screens.left() + screens.width(),
                                  screens.top() + screens.height()});
    setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
}

void CVESMOR_TagforgeDlg::reject() {
    done(kResultClose);
}

void CVESMOR_TagforgeDlg::RequestClose() {
    if (m_closed) {
        return;
    }
    m_closeRequested = true;
    if (m_stepDepth > 0) {
        return;  // RunStep closes when the step is over
    }
    constexpr int kRetryMs = 10;
    QWidget* modal = QApplication::activeModalWidget();
    if (!isVisible() || (modal != nullptr && modal != this)) {
        // A window over this one (a message, the content view, a file dialog) goes first; its
        // own loop has to end before this one can. Before the window runs there is nothing to
        // close yet.
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr && dialog != this) {
            dialog->reject();
        } else if (modal != nullptr && modal != this) {
            modal->close();
        }
        QTimer::singleShot(kRetryMs, this, [this] { RequestClose(); });
        return;
    }
    reject();
}

void CVESMOR_TagforgeDlg::RunStep(const std::function<void()>& step) {
    ++m_stepDepth;
    step();
    --m_stepDepth;
    if (m_closeRequested && m_stepDepth == 0) {
        RequestClose();
    }
}

void CVESMOR_TagforgeDlg::done(int result) {
    if (!m_closed) {
        m_closed = true;
        m_writeTimer.stop();
        m_readTimer.stop();
        SaveSettings();
        m_stack->connection.Close();
    }
    QDialog::done(result);
}

void CVESMOR_TagforgeDlg::SaveSettings() {
    TransferControls(true);
    const CycleEngine& engine = m_stack->engine;
    const QRect r = geometry();
    // A database job's value is the database's: the profile keeps the window's own counter.
    const WriteJob& job = m_db->LocalJob() ? *m_db->LocalJob() : engine.Job();
    SaveMainWindowSettings(m_services.profile, {engine.Settings(), job, engine.Logs()},
                           {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
}

void CVESMOR_TagforgeDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_writeTimer.timerId()) {
        std::optional<StepResult> result;
        RunStep([this, &result] { result = m_stack->engine.WriteTick(); });
        AfterWriteTick(result);
    } else if (event->timerId() == m_readTimer.timerId()) {
        RunStep([this] { m_stack->engine.ReadTick(); });
    } else {
        QDialog::timerEvent(event);
    }
}

void CVESMOR_TagforgeDlg::ShowMessageBox(const std::string& text) {
    m_services.prompts.Message(this, FromUtf8(text));
}

void CVESMOR_TagforgeDlg::SetWaitCursor(bool waiting) {
    if (waiting) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void CVESMOR_TagforgeDlg::SetTitle(const std::string& title) {
    setWindowTitle(FromUtf8(title));
}

void CVESMOR_TagforgeDlg::ShowWriteText(const std::string& text) {
    SetWriteFieldText(FromUtf8(text));
}

void CVESMOR_TagforgeDlg::ShowReadText(const std::string& text) {
    SetReadFieldText(FromUtf8(text));
}

void CVESMOR_TagforgeDlg::ClearLines() {
    m_ui->editStatus->clear();
}

void CVESMOR_TagforgeDlg::AppendLine(const std::string& line) {
    QString text = FromUtf8(line);
    text.remove('\r');
    QPlainTextEdit* box = m_ui->editStatus;
    box->moveCursor(QTextCursor::End);
    box->insertPlainText(text);
    box->ensureCursorVisible();
}

QRadioButton* CVESMOR_TagforgeDlg::FormatButton(int format) const {
    QRadioButton* const buttons[kFormatCount] = {
        m_ui->radioFormat0, m_ui->radioFormat1, m_ui->radioFormat2,
        m_ui->radioFormat3, m_ui->radioFormat4, m_ui->radioFormat5,
    };
    return format >= 0 && format < kFormatCount ? buttons[format] : nullptr;
}

}  // namespace tagforge::ui
