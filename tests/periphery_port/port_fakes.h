#pragma once
// A library that presents devices chosen by the test and records the calls made to it, and a
// window that records what it is told to show.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "periphery/port_choice.h"
#include "tests/app_settings/recording_profile.h"
#include "tests/periphery_port/list_buffer_writer.h"

namespace tagforge::test {

class FakeInterfaces final : public InterfaceLibrary {
  public:
    int32_t GetList(InterfaceKind kind, char* buffer, int32_t size) override {
        ++fetches[kind];
        bufferSizes.push_back(size);
        if (failingLists) {
            return -1;
        }
        return WriteNames(lists[kind], buffer, size);
    }
    int32_t TestLanDevice(const char* reader) override {
        calls.push_back(std::string("TestLanDevice ") + reader);
        return lanReachable;
    }
    int32_t FindLanDevices(char* buffer, int32_t size) override {
        return WriteNames(lanDevices, buffer, size);
    }
    int32_t GetLanConfig(const char* reader, char*, char*, char*, char*) override {
        calls.push_back(std::string("GetLanConfig ") + reader);
        return -1;
    }
    int32_t SetLanConfig(const char* reader, const char* newAddress, const char*,
                         const char*) override {
        calls.push_back(std::string("SetLanConfig ") + reader + " " + newAddress);
        return -1;
    }
    int32_t GetMissingDrivers() override {
        ++driverChecks;
        return missingDrivers;
    }
    int32_t IsVirtualComDriverInstalled() override { return virtualComDriver; }
    int32_t OpenPort(const char* name, int32_t baud, int32_t timeoutMs) override {
        calls.push_back("OpenPort " + std::string(name) + " " + std::to_string(baud) + " " +
                        std::to_string(timeoutMs));
        return openResult;
    }
    int32_t SetUsbMode(int32_t handle, int32_t mode) override {
        calls.push_back("SetUsbMode " + std::to_string(handle) + " " + std::to_string(mode));
        return 0;
    }
    int32_t ResetDevice(int32_t handle, int32_t first, int32_t second) override {
        calls.push_back("ResetDevice " + std::to_string(handle) + " " + std::to_string(first) +
                        " " + std::to_string(second));
        return 0;
    }
    int32_t ClosePort(int32_t handle) override {
        calls.push_back("ClosePort " + std::to_string(handle));
        return 0;
    }

    int TotalFetches() const {
        int total = 0;
        for (const auto& [kind, count] : fetches) {
            total += count;
        }
        return total;
    }

    std::map<InterfaceKind, std::vector<std::string>> lists;
    std::vector<std::string> lanDevices;  // the unfiltered LAN search
    std::map<InterfaceKind, int> fetches;
    std::vector<int32_t> bufferSizes;
    std::vector<std::string> calls;
    bool failingLists = false;
    int32_t lanReachable = 0;
    int32_t missingDrivers = 0;
    int32_t virtualComDriver = 1;
    int32_t openResult = 7;
    int driverChecks = 0;
};

class FakeView final : public PortChoiceView {
  public:
    void ShowEntries(const std::vector<std::string>& shown) override {
        entries = shown;
        selected = -1;
        ++fills;
    }
    void SelectEntry(int index) override {
        selected = index;
        ++selections;
    }
    int SelectedEntry() const override { return selected; }
    void ShowModeButtons(ModeState state) override { mode = state; }
    void EnableSerialFormat(bool enabled) override { serialFormat = enabled; }
    void ShowLanSearch(bool visible) override { lanSearch = visible; }
    std::string RunLanSearch() override {
        ++lanSearches;
        return lanSearchResult;
    }
    void ShowFieldError(Field field, const CheckResult& check) override {
        errors.push_back({field, check.Text()});
    }
    bool AskQuestion(const std::vector<int>& messageIds) override {
        questions.push_back(messageIds);
        if (duringQuestion) {
            duringQuestion();
        }
        return answerYes;
    }
    void OpenDriverPage() override { ++pagesOpened; }
    void Wait(int milliseconds) override { waits.push_back(milliseconds); }
    void PostDeviceChange(int event) override { posted.push_back(event); }
    void StartTimer(int id, int periodMs) override {
        timerId = id;
        timerPeriodMs = periodMs;
    }
    void KillTimer(int id) override {
        if (id == timerId) {
            timerId = 0;
        }
    }
    void SetBusy(bool busy) override { busyChanges.push_back(busy); }

    struct FieldError {
        Field field;
        std::string text;
    };

    std::vector<std::string> entries;
    int selected = -1;
    int fills = 0;
    int selections = 0;
    ModeState mode = ModeState::kNone;
    bool serialFormat = false;
    bool lanSearch = false;
    int lanSearches = 0;
    std::string lanSearchResult;
    std::vector<FieldError> errors;
    std::vector<std::vector<int>> questions;
    bool answerYes = false;
    std::function<void()> duringQuestion;
    int pagesOpened = 0;
    std::vector<int> waits;
    std::vector<int> posted;
    int timerId = 0;
    int timerPeriodMs = 0;
    std::vector<bool> busyChanges;
};

// A profile, a library and a window for one dialog.
struct PortChoiceFixture {
    PortChoice& Make() {
        choice = std::make_unique<PortChoice>(profile, library, view);
        return *choice;
    }
    PortChoice& MakeInitialized() {
        Make().Initialize();
        view.posted.clear();
        return *choice;
    }
    // The posted events, handled as the window would, until none is left.
    void DeliverPosted() {
        while (!view.posted.empty()) {
            const int event = view.posted.front();
            view.posted.erase(view.posted.begin());
            choice->OnDeviceChange(event);
        }
    }

    RecordingProfile profile;
    FakeInterfaces library;
    FakeView view;
    std::unique_ptr<PortChoice> choice;
};

}  // namespace tagforge::test
