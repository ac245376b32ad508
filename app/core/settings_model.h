#pragma once

#include <optional>
#include <string>

#include "app/core/cycle_engine.h"
#include "app/core/reader_connection.h"
#include "common/input_check.h"
#include "common/profile_store.h"
#include "common/write_job.h"

// The main window's settings in the per-user profile: which keys it reads and writes, their
// defaults, and the sentinel rule that completes a new profile at the first start.
namespace tagforge {

inline constexpr const char* kWriteLogFileName = "Protokoll_S.txt";
inline constexpr const char* kReadLogFileName = "Protokoll_L.txt";

// What the main window reads when it is constructed.
struct MainWindowSettings {
    CycleSettings cycle;
    WriteJob job;
    LogTargets logs;
};

// Reads the keys in their order; a key that gives its sentinel gets its default, which is
// written at once. Empty log names become `logDirectory` (ending in '/') + the default name.
MainWindowSettings LoadMainWindowSettings(ProfileStore& profile, const std::string& logDirectory);

// `BeepTime` and `ZyklusZeit` again (after the settings window), with the same rule.
void ReloadCycleSettings(ProfileStore& profile, CycleSettings& cycle);

// The settings window's two values ("Tondauer", "Zykluszeit").
struct BeepTimeSettings {
    int BeepTime = 150;    // ms, 0..1000, 0 = no beep
    int ZyklusZeit = 250;  // ms, 100..10000
};

// Both keys as the settings window shows them: missing keys give 150 and 250 (nothing is
// written).
BeepTimeSettings LoadBeepTimeSettings(ProfileStore& profile);

// The two fields' texts checked in their order ("Tondauer", then "Zykluszeit"): an unsigned
// number within its range. The first failure (its field, 0 or 1, in `failedField`), or passed
// with the values in `accepted`.
CheckResult CheckBeepTimeFields(std::string_view beepText, std::string_view cycleText,
                                BeepTimeSettings& accepted, int* failedField = nullptr);

// Writes `ZyklusZeit`, then `BeepTime`.
void SaveBeepTimeSettings(ProfileStore& profile, const BeepTimeSettings& settings);

// "Version"/`Update`: the About window's check box (default on).
bool LoadUpdateCheckBox(ProfileStore& profile);
void SaveUpdateCheckBox(ProfileStore& profile, bool checked);

// A rectangle in screen pixels, edges as stored in "MainWnd".
struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const WindowRect&) const = default;
};

// What the main window writes when it is destroyed.
void SaveMainWindowSettings(ProfileStore& profile, const MainWindowSettings& settings,
                            const WindowRect& window);

// The stored window rectangle; nothing when its width is 0 or less.
std::optional<WindowRect> LoadWindowRect(ProfileStore& profile);

// Moves (never resizes) `rect` into `screens`, the union of all monitors: left and top edge
// first, then right and bottom.
WindowRect MoveIntoScreens(WindowRect rect, const WindowRect& screens);

// The log file name chosen in the "..." dialog, stored at once.
void SaveLogFileName(ProfileStore& profile, bool writeLog, const std::string& path);

// `Settings`/`Sprache`: 0 German, above 0 English.
int LoadLanguage(ProfileStore& profile);
void SaveLanguage(ProfileStore& profile, int language);

// A connection to `openString` (a connection name with ":address") with the profile's
// "Port"/`Baudrate` (default 19200) and "Port"/`Timeout` (default 500 ms).
ConnectionRequest LoadConnection(ProfileStore& profile, std::string openString);

}  // namespace tagforge
