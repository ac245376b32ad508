#pragma once
// Shared part of the fake vendor libraries: the devices they present, read from a small text
// configuration, each with a simulated reader (the simulator's reader engine and a field of
// transponders) that answers the bytes the library sends.
//
// Configuration: the environment variable's text, or with a leading '@' the file it names.
// Devices are separated by ';' or line ends, each a list of key=value words:
//   serial=TEXT      serial number (hid: noserial=1 makes it unreadable)
//   type=N           reader protocol type 0..3 (default 0)
//   device=HEX       device code (default 125)
//   tags=KIND,...    transponders in the field (simulator chip kinds)
//   silent=1         the reader never answers
//   busy=1           another program holds the device: it cannot be opened
//   dump=PATH        the tags' blocks are written there (hex, a line per block) after each write
//   conveyor=N:M     a new transponder (nxp) enters every N ms and stays M ms, as vesmor-sim's
//   record=PATH      a line "UID HEX" per transponder (its UID, then all its bytes) is appended
//                    there for each one in the field after each write, and with a conveyor
//                    for each one just before it leaves: the last line of a UID is what it holds
// HID only: vid=HEX pid=HEX path=/dev/hidrawN input=N output=N (report lengths with the report
// ID, default 9) readerror=1 noserial=1 nostart=1 (the start report fails) writedelay=MS. D2XX
// only: description=TEXT, wrongline=1 (the device starts with DSR sensitivity, abort on error and
// null stripping on and transmit-continue-on-XOFF off; with null stripping 00 bytes are lost).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/conveyor.h"
#include "sim/reader_engine.h"
#include "sim/tag_field.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace vesmor::fake {

using Settings = std::map<std::string, std::string>;

// The devices of a configuration text (already read from the file for '@').
std::vector<Settings> ParseDevices(const std::string& text);
// The configuration the environment variable holds; empty when unset.
std::string ConfigurationText(const char* variable);

// Moves the oldest item of a queue to out (at most capacity bytes); its length, or -1.
int TakeQueued(std::deque<std::vector<uint8_t>>& queue, unsigned char* out, int capacity);

int IntSetting(const Settings& s, const std::string& key, int fallback, int base = 10);

// The blocks of every tag in the field, one line of hexadecimal digits per block.
std::string BlockDump(const sim::TagField& field);

// The devices of the configuration in the environment variable, made anew when its text has
// changed since the last call (or after Reset) and no device is open.
template <class Device>
class DeviceSet {
  public:
    explicit DeviceSet(const char* variable) : variable_(variable) {}
    template <class IsOpen>
    std::vector<std::unique_ptr<Device>>& Current(IsOpen isOpen) {
        const std::string text = ConfigurationText(variable_);
        for (const auto& device : devices_) {
            if (isOpen(*device)) {
                return devices_;
            }
        }
        if (text != loaded_ || reset_) {
            devices_.clear();
            const std::vector<Settings> parsed = ParseDevices(text);
            for (size_t i = 0; i < parsed.size(); ++i) {
                devices_.push_back(std::make_unique<Device>(parsed[i], i));
            }
            loaded_ = text;
            reset_ = false;
        }
        return devices_;
    }
    // The devices in effect, without looking at the configuration.
    std::vector<std::unique_ptr<Device>>& InEffect() { return devices_; }
    Device* At(size_t index) { return index < devices_.size() ? devices_[index].get() : nullptr; }
    void Reset() { reset_ = true; }

  private:
    const char* variable_;
    std::string loaded_;
    bool reset_ = true;
    std::vector<std::unique_ptr<Device>> devices_;
};

// A simulated reader with the transponders of its configuration. Thread-safe.
class FakeReader {
  public:
    explicit FakeReader(const Settings& settings);

    // A silent reader takes requests but answers none.
    void SetSilent(bool silent);
    // Bytes the host sent to the reader.
    void Receive(const uint8_t* bytes, size_t count);
    // Answer bytes that are due now, at most max.
    size_t Take(uint8_t* out, size_t max);
    size_t Due();
    // Waits up to timeoutMs for due bytes (-1: without end); returns the count due.
    size_t WaitDue(int timeoutMs);
    // Wire command and data of the oldest request the reader took and nobody took from here;
    // its length, or -1 when there is none. At most capacity bytes are copied.
    int TakeCommand(unsigned char* out, int capacity);
    // Test control: "faults WORDS" sets the line faults (silent=1 delay=MS stray=HEX
    // badchecksum=1 duplicate=MS cut=N, the simulator's options), "leave" takes the transponders
    // out of the field, "return" puts them back as they were, "uid" and "block N"
    // copy the first transponder's UID or block N to out. The length copied, or -1.
    int Control(const std::string& command, unsigned char* out, int capacity);

  private:
    size_t DueLocked(std::chrono::steady_clock::time_point now) const;
    void DumpBlocks();
    void Record(const std::string& lines);

    std::mutex mutex_;
    std::condition_variable arrived_;
    sim::TagField field_;
    sim::ReaderEngine engine_;
    std::string dumpPath_;
    std::string recordPath_;
    std::mutex recordMutex_;  // one record at a time: after a write and from the conveyor
    struct Pending {
        std::chrono::steady_clock::time_point due;
        std::vector<uint8_t> bytes;
    };
    std::deque<Pending> outgoing_;
    std::deque<std::vector<uint8_t>> commands_;
    // Transponders taken out of the field by "leave", with their memory.
    struct Away {
        sim::Uid uid;
        std::vector<std::vector<uint8_t>> memory;
    };
    std::vector<Away> away_;
    std::unique_ptr<sim::Conveyor> conveyor_;  // last: it stops before the field goes
};

}  // namespace vesmor::fake
