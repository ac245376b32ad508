#include "tests/fakes/fake_reader.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vesmor::fake {

namespace {

std::vector<std::string> Split(const std::string& text, const std::string& separators) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (separators.find(c) != std::string::npos) {
            if (!current.empty()) {
                parts.push_back(current);
            }
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        parts.push_back(current);
    }
    return parts;
}

sim::ReaderConfig ReaderOf(const Settings& settings) {
    sim::ReaderConfig config;
    config.protocolType = IntSetting(settings, "type", 0);
    config.deviceCode = IntSetting(settings, "device", 0x125, 16);
    return config;
}

sim::Faults FaultsOf(const Settings& s) {
    sim::Faults faults;
    faults.silent = IntSetting(s, "silent", 0) != 0;
    faults.delayMs = IntSetting(s, "delay", 0);
    faults.badChecksum = IntSetting(s, "badchecksum", 0) != 0;
    faults.duplicateAfterMs = IntSetting(s, "duplicate", -1);
    faults.cutBytes = IntSetting(s, "cut", 0);
    if (const auto stray = s.find("stray"); stray != s.end()) {
        for (size_t i = 0; i + 1 < stray->second.size(); i += 2) {
            faults.strayBytes.push_back(
                static_cast<uint8_t>(std::stoi(stray->second.substr(i, 2), nullptr, 16)));
        }
    }
    return faults;
}

int CopyOut(const uint8_t* bytes, size_t n, unsigned char* out, int capacity) {
    if (static_cast<int>(n) > capacity) {
        return -1;
    }
    std::copy(bytes, bytes + n, out);
    return static_cast<int>(n);
}

}  // namespace

std::vector<Settings> ParseDevices(const std::string& text) {
    std::vector<Settings> devices;
    for (const std::string& device : Split(text, ";\n")) {
        Settings settings;
        for (const std::string& word : Split(device, " \t\r")) {
            const size_t eq = word.find('=');
            settings[word.substr(0, eq)] = eq == std::string::npos ? "1" : word.substr(eq + 1);
        }
        if (!settings.empty()) {
            devices.push_back(settings);
        }
    }
    return devices;
}

std::string ConfigurationText(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr) {
        return {};
    }
    if (value[0] != '@') {
        return value;
    }
    std::ifstream file(value + 1);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

int TakeQueued(std::deque<std::vector<uint8_t>>& queue, unsigned char* out, int capacity) {
    if (queue.empty()) {
        return -1;
    }
    const std::vector<uint8_t> item = std::move(queue.front());
    queue.pop_front();
    const size_t n = std::min(item.size(), static_cast<size_t>(std::max(capacity, 0)));
    std::copy(item.begin(), item.begin() + static_cast<long>(n), out);
    return static_cast<int>(item.size());
}

int IntSetting(const Settings& s, const std::string& key, int fallback, int base) {
    const auto it = s.find(key);
    return it == s.end() ? fallback
                         : static_cast<int>(std::strtol(it->second.c_str(), nullptr, base));
}

namespace {

// A tag's blocks in hexadecimal, each followed by separator (none: one run of digits).
std::string HexBlocks(const sim::TagField& field, const sim::Uid& uid, const char* separator) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string text;
    for (int block = 0;; ++block) {
        const auto bytes = field.Block(uid, block);
        if (!bytes) {
            break;
        }
        for (uint8_t b : *bytes) {
            text += kHex[b >> 4];
            text += kHex[b & 15];
        }
        text += separator;
    }
    return text;
}

// The record line of one tag: its UID, a space, all its bytes in hexadecimal, a line end.
std::string TagRecord(const sim::TagField& field, const sim::Uid& uid) {
    return sim::UidText(uid) + ' ' + HexBlocks(field, uid, "") + '\n';
}

}  // namespace


FakeReader::FakeReader(const Settings& settings) : engine_(ReaderOf(settings)) {
    engine_.SetField(&field_);
    engine_.SetFaults(FaultsOf(settings));
    if (const auto tags = settings.find("tags"); tags != settings.end()) {
        for (const std::string& kind : Split(tags->second, ",")) {
            if (const auto chip = sim::ChipKindByName(kind)) {
                field_.Insert(*chip);
            }
        }
    }
    if (const auto dump = settings.find("dump"); dump != settings.end()) {
        dumpPath_ = dump->second;
    }
    if (const auto record = settings.find("record"); record != settings.end()) {
        recordPath_ = record->second;
    }
    int everyMs = 0, presentMs = 0;
    if (const auto belt = settings.find("conveyor");
        belt != settings.end() &&
        std::sscanf(belt->second.c_str(), "%d:%d", &everyMs, &presentMs) == 2 && everyMs > 0 &&
        presentMs > 0) {
        // A tag can leave between its write and the record after it, so each tag is also
        // recorded as it leaves: no write that reached a tag goes unseen.
        sim::Conveyor::Observer observer;
        if (!recordPath_.empty()) {
            observer = [this](const std::string& event) {
                if (const auto uid = sim::ParseUid(event.substr(1)); uid && event[0] == '-') {
                    Record(TagRecord(field_, *uid));
                }
            };
        }
        conveyor_ = std::make_unique<sim::Conveyor>(field_, sim::ChipKind::kNxp, everyMs,
                                                    presentMs, std::move(observer));
    }
}

void FakeReader::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    sim::Faults faults = engine_.GetFaults();
    faults.silent = silent;
    engine_.SetFaults(faults);
}

void FakeReader::Receive(const uint8_t* bytes, size_t count) {
    bool wrote = false;
    {
        std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        for (const sim::Reply& reply : engine_.OnBytes(bytes, count)) {
            outgoing_.push_back({now + std::chrono::milliseconds(reply.delayMs), reply.bytes});
        }
        for (const sim::Request& request : engine_.Requests()) {
            std::vector<uint8_t> command{request.command};
            command.insert(command.end(), request.data.begin(), request.data.end());
            commands_.push_back(command);
            wrote = wrote || request.command == 0x20;
        }
        engine_.ClearRequests();
    }
    arrived_.notify_all();
    if (wrote) {
        DumpBlocks();
        if (!recordPath_.empty()) {
            std::string lines;
            for (const sim::Uid& uid : field_.Uids()) {
                lines += TagRecord(field_, uid);
            }
            Record(lines);
        }
    }
}

size_t FakeReader::DueLocked(std::chrono::steady_clock::time_point now) const {
    size_t due = 0;
    for (const Pending& p : outgoing_) {
        if (p.due > now) {
            break;
        }
        due += p.bytes.size();
    }
    return due;
}

size_t FakeReader::Due() {
    std::lock_guard lock(mutex_);
    return DueLocked(std::chrono::steady_clock::now());
}

size_t FakeReader::WaitDue(int timeoutMs) {
    std::unique_lock lock(mutex_);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (const size_t due = DueLocked(now); due > 0 || (timeoutMs >= 0 && now >= end)) {
            return due;
        }
        auto until = timeoutMs >= 0 ? end : now + std::chrono::hours(1);
        if (!outgoing_.empty() && outgoing_.front().due < until) {
            until = outgoing_.front().due;
        }
        arrived_.wait_until(lock, until);
    }
}

size_t FakeReader::Take(uint8_t* out, size_t max) {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    size_t taken = 0;
    while (taken < max && !outgoing_.empty() && outgoing_.front().due <= now) {
        std::vector<uint8_t>& bytes = outgoing_.front().bytes;
        const size_t n = std::min(max - taken, bytes.size());
        std::copy(bytes.begin(), bytes.begin() + static_cast<long>(n), out + taken);
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<long>(n));
        taken += n;
        if (bytes.empty()) {
            outgoing_.pop_front();
        }
    }
    return taken;
}

int FakeReader::TakeCommand(unsigned char* out, int capacity) {
    std::lock_guard lock(mutex_);
    return TakeQueued(commands_, out, capacity);
}

int FakeReader::Control(const std::string& command, unsigned char* out, int capacity) {
    const size_t space = command.find(' ');
    const std::string verb = command.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : command.substr(space + 1);
    if (verb == "faults") {
        const std::vector<Settings> words = ParseDevices(rest);
        std::lock_guard lock(mutex_);
        engine_.SetFaults(FaultsOf(words.empty() ? Settings{} : words.front()));
        return 0;
    }
    if (verb == "leave") {
        for (const sim::Uid& uid : field_.Uids()) {
            Away& away = away_.emplace_back(Away{uid, {}});
            for (int block = 0; const auto bytes = field_.Block(uid, block); ++block) {
                away.memory.push_back(*bytes);
            }
            field_.Remove(uid);
        }
        return 0;
    }
    if (verb == "return") {
        for (const Away& away : away_) {
            field_.Insert(sim::ChipKind::kNxp, away.uid);
            for (size_t block = 0; block < away.memory.size(); ++block) {
                field_.SetBlock(away.uid, static_cast<int>(block), away.memory[block]);
            }
        }
        away_.clear();
        return 0;
    }
    const std::vector<sim::Uid> uids = field_.Uids();
    if (uids.empty()) {
        return -1;
    }
    if (verb == "uid") {
        return CopyOut(uids.front().data(), uids.front().size(), out, capacity);
    }
    if (verb == "block") {
        const auto block = field_.Block(uids.front(), std::atoi(rest.c_str()));
        return block ? CopyOut(block->data(), block->size(), out, capacity) : -1;
    }
    return -1;
}

void FakeReader::DumpBlocks() {
    if (!dumpPath_.empty()) {
        std::ofstream(dumpPath_, std::ios::trunc) << BlockDump(field_);
    }
}

void FakeReader::Record(const std::string& lines) {
    std::lock_guard lock(recordMutex_);
    std::ofstream(recordPath_, std::ios::app) << lines;
}

std::string BlockDump(const sim::TagField& field) {
    std::string text;
    for (const sim::Uid& uid : field.Uids()) {
        text += HexBlocks(field, uid, "\n");
    }
    return text;
}

}  // namespace vesmor::fake
