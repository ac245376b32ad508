#include "app/core/settings_model.h"

#include <algorithm>

namespace tagforge {

namespace {

constexpr const char* kSettings = "Settings";
constexpr const char* kLog = "Protokoll";
constexpr const char* kWindow = "MainWnd";
constexpr const char* kPort = "Port";
constexpr const char* kVersion = "Version";

constexpr int kIntSentinel = -1;
constexpr int kFlagSentinel = 255;

constexpr int kDefaultRequestFlag = 1;
constexpr int kDefaultBeepTime = 300;
constexpr int kDefaultZyklusZeit = 250;

// An integer read with its sentinel: when the sentinel comes back, the default is written.
int ReadOrInit(ProfileStore& profile, const char* section, const char* key, int sentinel,
               int defaultValue) {
    const int value = profile.ReadInt(section, key, sentinel);
    if (value != sentinel) {
        return value;
    }
    profile.WriteInt(section, key, defaultValue);
    return defaultValue;
}

int ReadOrInit(ProfileStore& profile, const char* section, const char* key, int defaultValue) {
    return ReadOrInit(profile, section, key, kIntSentinel, defaultValue);
}

bool ReadFlagOrInit(ProfileStore& profile, const char* key, bool defaultValue) {
    return ReadOrInit(profile, kSettings, key, kFlagSentinel, defaultValue ? 1 : 0) != 0;
}

// A string that comes back empty gets its default, which is written.
std::string ReadStringOrInit(ProfileStore& profile, const char* section, const char* key,
                             const std::string& defaultValue) {
    std::string value = profile.ReadString(section, key, "");
    if (!value.empty()) {
        return value;
    }
    profile.WriteString(section, key, defaultValue);
    return defaultValue;
}

const char* LogNameKey(bool writeLog) {
    return writeLog ? "LogFileNameSchreiben" : "LogFileNameLesen";
}

}  // namespace

MainWindowSettings LoadMainWindowSettings(ProfileStore& profile, const std::string& logDirectory) {
    MainWindowSettings s;
    s.cycle.RequestFlag = ReadOrInit(profile, kSettings, "RequestFlag", kDefaultRequestFlag);
    ReloadCycleSettings(profile, s.cycle);
    s.job.LastData = ReadStringOrInit(profile, kSettings, "LastData", "0");
    s.logs.writeFile =
        ReadStringOrInit(profile, kLog, LogNameKey(true), logDirectory + kWriteLogFileName);
    s.logs.readFile =
        ReadStringOrInit(profile, kLog, LogNameKey(false), logDirectory + kReadLogFileName);
    s.logs.writeEnabled = profile.ReadInt(kLog, "LogFileEnableSchreiben", 0) != 0;
    s.logs.readEnabled = profile.ReadInt(kLog, "LogFileEnableLesen", 0) != 0;
    s.job.AutoIncrement = ReadFlagOrInit(profile, "AutoIncrement", true);
    s.job.AutoNull = ReadFlagOrInit(profile, "AutoNull", false);
    s.job.PrefixZulassen = ReadFlagOrInit(profile, "PrefixZulassen", false);
    s.job.Datenformat = ReadOrInit(profile, kSettings, "Datenformat", kFormatHexBinary);
    s.job.Startblock = ReadOrInit(profile, kSettings, "Startblock", 0);
    s.job.Byteanzahl = ReadOrInit(profile, kSettings, "Byteanzahl", 4);
    return s;
}

void ReloadCycleSettings(ProfileStore& profile, CycleSettings& cycle) {
    cycle.BeepTime = ReadOrInit(profile, kSettings, "BeepTime", kDefaultBeepTime);
    cycle.ZyklusZeit = ReadOrInit(profile, kSettings, "ZyklusZeit", kDefaultZyklusZeit);
}

BeepTimeSettings LoadBeepTimeSettings(ProfileStore& profile) {
    const BeepTimeSettings defaults;
    return {profile.ReadInt(kSettings, "BeepTime", defaults.BeepTime),
            profile.ReadInt(kSettings, "ZyklusZeit", defaults.ZyklusZeit)};
}

CheckResult CheckBeepTimeFields(std::string_view beepText, std::string_view cycleText,
                                BeepTimeSettings& accepted, int* failedField) {
    const int beep = ParseUnsignedField(beepText);
    const int cycle = ParseUnsignedField(cycleText);
    const CheckResult checks[] = {CheckUnsignedField(beep, 0, 1000),
                                  CheckUnsignedField(cycle, 100, 10000)};
    for (int field = 0; field < 2; ++field) {
        if (!checks[field].Ok()) {
            if (failedField != nullptr) {
                *failedField = field;
            }
            return checks[field];
        }
    }
    accepted = {beep, cycle};
    return {};
}

void SaveBeepTimeSettings(ProfileStore& profile, const BeepTimeSettings& settings) {
    profile.WriteInt(kSettings, "ZyklusZeit", settings.ZyklusZeit);
    profile.WriteInt(kSettings, "BeepTime", settings.BeepTime);
}

bool LoadUpdateCheckBox(ProfileStore& profile) {
    return profile.ReadInt(kVersion, "Update", 1) != 0;
}

void SaveUpdateCheckBox(ProfileStore& profile, bool checked) {
    profile.WriteInt(kVersion, "Update", checked ? 1 : 0);
}

void SaveMainWindowSettings(ProfileStore& profile, const MainWindowSettings& s,
                            const WindowRect& window) {
    profile.WriteInt(kSettings, "ZyklusZeit", s.cycle.ZyklusZeit);
    profile.WriteString(kSettings, "LastData", s.job.LastData);
    profile.WriteInt(kSettings, "AutoIncrement", s.job.AutoIncrement ? 1 : 0);
    profile.WriteInt(kSettings, "AutoNull", s.job.AutoNull ? 1 : 0);
    profile.WriteInt(kSettings, "PrefixZulassen", s.job.PrefixZulassen ? 1 : 0);
    profile.WriteInt(kSettings, "Byteanzahl", s.job.Byteanzahl);
    profile.WriteInt(kSettings, "Startblock", s.job.Startblock);
    profile.WriteInt(kSettings, "Datenformat", s.job.Datenformat);
    profile.WriteInt(kLog, "LogFileEnableSchreiben", s.logs.writeEnabled ? 1 : 0);
    profile.WriteInt(kLog, "LogFileEnableLesen", s.logs.readEnabled ? 1 : 0);
    profile.WriteInt(kWindow, "left", window.left);
    profile.WriteInt(kWindow, "top", window.top);
    profile.WriteInt(kWindow, "right", window.right);
    profile.WriteInt(kWindow, "bottom", window.bottom);
}

std::optional<WindowRect> LoadWindowRect(ProfileStore& profile) {
    const WindowRect rect{profile.ReadInt(kWindow, "left", 0), profile.ReadInt(kWindow, "top", 0),
                          profile.ReadInt(kWindow, "right", 0),
                          profile.ReadInt(kWindow, "bottom", 0)};
    if (rect.Width() <= 0) {
        return std::nullopt;
    }
    return rect;
}

WindowRect MoveIntoScreens(WindowRect rect, const WindowRect& screens) {
    const auto shift = [&rect](int dx, int dy) {
        rect.left += dx;
        rect.right += dx;
        rect.top += dy;
        rect.bottom += dy;
    };
    shift(std::max(screens.left - rect.left, 0), 0);
    shift(0, std::max(screens.top - rect.top, 0));
    shift(-std::max(rect.right - screens.right, 0), 0);
    shift(0, -std::max(rect.bottom - screens.bottom, 0));
    return rect;
}

void SaveLogFileName(ProfileStore& profile, bool writeLog, const std::string& path) {
    profile.WriteString(kLog, LogNameKey(writeLog), path);
}

int LoadLanguage(ProfileStore& profile) {
    return profile.ReadInt(kSettings, "Sprache", 0);
}

void SaveLanguage(ProfileStore& profile, int language) {
    profile.WriteInt(kSettings, "Sprache", language);
}

ConnectionRequest LoadConnection(ProfileStore& profile, std::string openString) {
    ConnectionRequest request;
    request.name = std::move(openString);
    request.baud = profile.ReadInt(kPort, "Baudrate", 19200);
    request.timeoutMs = profile.ReadInt(kPort, "Timeout", 500);
    return request;
}

}  // namespace tagforge
