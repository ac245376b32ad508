// The transponder operations against a reader that answers with random content: correctly framed
// answers with random status, random ISO responses and random inventory slots, and now and then a
// flipped, cut, padded or missing frame. Whatever the reader sends, every call must come back in
// bounded time with a documented result and must not write past the caller's buffers.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <vector>

#include "library/transponder.h"
#include "sim/reader_engine.h"
#include "sim/request_parser.h"

namespace vesmor {
namespace {

using Rng = std::mt19937;

int Uniform(Rng& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}
bool Chance(Rng& rng, int percent) {
    return Uniform(rng, 0, 99) < percent;
}
std::vector<uint8_t> RandomBytes(Rng& rng, int count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    for (auto& b : bytes)
        b = static_cast<uint8_t>(Uniform(rng, 0, 255));
    return bytes;
}

// Answers every transparent request with something random but, most of the time, well framed.
class HostileField : public sim::IsoField {
  public:
    explicit HostileField(Rng& rng) : rng_(rng) {}

    sim::ReaderAnswer HandleIso(const std::vector<uint8_t>& request, int protocolType) override {
        sim::ReaderAnswer answer;
        answer.status = Chance(rng_, 80) ? 0 : static_cast<uint8_t>(Uniform(rng_, 0, 255));
        const bool inventory = request.size() >= 2 && request[1] == 0x01;
        if (inventory && Chance(rng_, 85)) {
            answer.chained = true;
            answer.data = InventorySlots(protocolType);
            return answer;
        }
        // Read Multiple Blocks: now and then a plausible answer of whole four-byte blocks.
        if (request.size() >= 3 && request[1] == 0x23 && Chance(rng_, 50)) {
            answer.data = RandomBytes(rng_, 1 + 4 * (request.back() + 1));
            answer.data[0] = 0x00;
            if (protocolType == 2)
                answer.data.insert(answer.data.begin(), 0x00);
            return answer;
        }
        // Short answers are as common as long ones: a write or lock is confirmed by one byte.
        answer.data =
            RandomBytes(rng_, Chance(rng_, 30) ? Uniform(rng_, 0, 2) : Uniform(rng_, 0, 40));
        if (!answer.data.empty() && Chance(rng_, 70))
            answer.data[0] = Chance(rng_, 80) ? 0x00 : 0x01;  // response flags: fine or error
        return answer;
    }

  private:
    // Slot blocks as a chained answer carries them: empty, collided, a record, or garbage.
    std::vector<uint8_t> InventorySlots(int protocolType) {
        const uint8_t collided = protocolType == 3 ? 0xCC : 0x02;
        const int collisionPercent = Chance(rng_, 5) ? 100 : Uniform(rng_, 0, 15);
        std::vector<uint8_t> data;
        const int slots = Chance(rng_, 90) ? 16 : Uniform(rng_, 0, 20);
        for (int s = 0; s < slots; ++s) {
            const int pick = Uniform(rng_, 0, 99);
            if (pick < collisionPercent) {
                data.insert(data.end(), {1, collided});
            } else if (pick < 90) {
                data.insert(data.end(), {1, 0x01});
            } else if (pick < 97) {
                data.insert(data.end(), {11, 0x00, 0x00, 0x00});
                const auto uid = RandomBytes(rng_, 8);
                data.insert(data.end(), uid.begin(), uid.end());
            } else {
                const auto garbage = RandomBytes(rng_, Uniform(rng_, 0, 13));
                data.push_back(static_cast<uint8_t>(garbage.size()));
                data.insert(data.end(), garbage.begin(), garbage.end());
            }
        }
        if (Chance(rng_, 97))
            data.push_back(0xFF);
        return data;
    }

    Rng& rng_;
};

// Feeds the port's requests to a simulated reader in-process and hands back its answers,
// sometimes damaged. Every poll advances the test clock, so timeouts pass without real waiting.
class InProcessReader : public PortTransport {
  public:
    InProcessReader(Rng& rng, int protocolType, int64_t& clock)
        : rng_(rng), clock_(clock), field_(rng), engine_(Config(protocolType)) {
        engine_.SetField(&field_);
    }
    int32_t Identifier() const override { return 20001; }
    bool IsPolled() const override { return true; }
    void Write(const uint8_t* data, size_t count) override {
        ++requests;
        engine_.ResetParser();
        for (const auto& reply : engine_.OnBytes(data, count))
            Damage(reply.bytes);
    }
    size_t ReadPending(uint8_t* buffer, size_t max) override {
        // Each poll waits a real millisecond, so polls are few: a phase times out after three,
        // and most answers arrive whole.
        clock_ += 400;
        const size_t chunk = Chance(rng_, 80) ? max : static_cast<size_t>(Uniform(rng_, 1, 16));
        const size_t n = std::min({max, pending_.size(), chunk});
        std::copy(pending_.begin(), pending_.begin() + static_cast<long>(n), buffer);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(n));
        return n;
    }
    void Close() override {}

    int requests = 0;

  private:
    static sim::ReaderConfig Config(int protocolType) {
        sim::ReaderConfig config;
        config.protocolType = protocolType;
        return config;
    }
    void Damage(std::vector<uint8_t> bytes) {
        pending_.clear();  // a late answer to an earlier request is gone with the next one
        const int pick = Uniform(rng_, 0, 99);
        if (pick < 2)
            return;  // lost
        if (pick < 5 && !bytes.empty())
            bytes[static_cast<size_t>(Uniform(rng_, 0, static_cast<int>(bytes.size()) - 1))] ^=
                static_cast<uint8_t>(Uniform(rng_, 1, 255));
        else if (pick < 7 && !bytes.empty())
            bytes.resize(static_cast<size_t>(Uniform(rng_, 0, static_cast<int>(bytes.size()) - 1)));
        else if (pick < 9) {
            const auto stray = RandomBytes(rng_, Uniform(rng_, 1, 6));
            bytes.insert(bytes.begin(), stray.begin(), stray.end());
        }
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    }

    Rng& rng_;
    int64_t& clock_;
    HostileField field_;
    sim::ReaderEngine engine_;
    std::deque<uint8_t> pending_;
};

// A caller's buffer of `size` bytes followed by a guard that nothing may touch.
class GuardedBuffer {
  public:
    explicit GuardedBuffer(int size) : bytes_(static_cast<size_t>(size) + kGuard, kPattern) {}
    uint8_t* data() { return bytes_.data(); }
    bool GuardIntact() const {
        return std::all_of(bytes_.end() - kGuard, bytes_.end(),
                           [](uint8_t b) { return b == kPattern; });
    }

  private:
    static constexpr long kGuard = 32;
    static constexpr uint8_t kPattern = 0xA5;
    std::vector<uint8_t> bytes_;
};

std::optional<TransponderUid> RandomUid(Rng& rng) {
    if (Chance(rng, 30))
        return std::nullopt;
    static constexpr uint8_t kMakers[] = {0x02, 0x04, 0x05, 0x07, 0x08, 0x16, 0x33};
    TransponderUid uid;
    for (auto& b : uid)
        b = static_cast<uint8_t>(Uniform(rng, 0, 255));
    uid[7] = 0xE0;
    uid[6] = kMakers[Uniform(rng, 0, 6)];
    return uid;
}

int32_t RandomFlags(Rng& rng) {
    static constexpr int32_t kChoices[] = {0x00,   0x01,   0x09,   0x11,  0x21,  0x41,
                                           0x2001, 0x8000, 0x8021, 0x101, 0x401, 0x801};
    return kChoices[Uniform(rng, 0, 11)];
}

// One random operation; checks what its result promises. Returns which operation it ran and
// whether it succeeded.
std::pair<int, bool> RunOne(Rng& rng, TransponderCommands& commands) {
    const auto uid = RandomUid(rng);
    const int32_t flags = RandomFlags(rng);
    const int size = Uniform(rng, 0, 80);
    const int block = Chance(rng, 70) ? Uniform(rng, 0, 63) : Uniform(rng, 0, 2100);
    GuardedBuffer buffer(size);
    const int operation = Uniform(rng, 0, 4);
    int32_t r = -1;
    switch (operation) {
        case 0: {
            r = commands.Inventory(buffer.data(), size, flags);
            EXPECT_TRUE(r == -1 || (r >= 0 && r <= size && r % 11 == 0)) << r;
            break;
        }
        case 1: {
            int32_t count = -7, blockSize = -7, maker = -7;
            r = commands.GetTagInfo(uid, &count, &blockSize, &maker, flags);
            EXPECT_TRUE(r == 0 || r == -1) << r;
            EXPECT_TRUE(count == -7 || (count >= 1 && count <= 65536)) << count;
            EXPECT_TRUE(blockSize == -7 || (blockSize >= 1 && blockSize <= 256)) << blockSize;
            EXPECT_TRUE(maker == -7 || (maker >= 0 && maker <= 255)) << maker;
            break;
        }
        case 2: {
            r = commands.ReadBlock(block, buffer.data(), size, uid, flags);
            EXPECT_TRUE(r == -1 || (r >= 0 && r <= size)) << r;
            break;
        }
        case 3: {
            // Mostly short runs, so that whole runs succeed now and then; sometimes long ones.
            const int count = Chance(rng, 60) ? Uniform(rng, 1, 8) : Uniform(rng, 0, 80);
            r = commands.ReadBlocks(block, count, buffer.data(), size, uid, flags);
            EXPECT_TRUE(r == -1 || (r >= 0 && r <= size)) << r;
            break;
        }
        default: {
            const auto data = RandomBytes(rng, Uniform(rng, 0, 40));
            r = commands.WriteBlock(block, data.data(), static_cast<int32_t>(data.size()), uid,
                                    flags);
            EXPECT_TRUE(r == 0 || r == -1) << r;
            break;
        }
    }
    EXPECT_TRUE(buffer.GuardIntact());
    return {operation, r >= 0};
}

TEST(HostileReader, EveryOperationEndsWithADocumentedResultWhateverTheReaderSends) {
    int succeeded[5] = {};
    for (int protocolType = 0; protocolType <= 3; ++protocolType) {
        for (uint32_t seed = 1; seed <= 250; ++seed) {
            SCOPED_TRACE(::testing::Message() << "type " << protocolType << " seed " << seed);
            Rng rng(seed * 4 + static_cast<uint32_t>(protocolType));
            int64_t clock = 0;
            CVESMOR_Port port;
            auto transport = std::make_unique<InProcessReader>(rng, protocolType, clock);
            InProcessReader* reader = transport.get();
            port.AttachTransport(CVESMOR_Port::kBluetoothSlot, std::move(transport));
            port.SetClock([&clock] { return clock; });
            port.SetProtocolType(protocolType);
            port.SetTimeout(100);
            TransponderCommands commands(port);
            const auto [operation, success] = RunOne(rng, commands);
            succeeded[operation] += success;
            // A reader that reports collisions in every slot of every pass must not keep the
            // caller in nested passes for ever.
            EXPECT_LE(reader->requests, 300);
            EXPECT_EQ(port.Timeout(), 100);
            if (HasFailure())
                return;
        }
    }
    // The random answers reach the parsing of successful answers, not only the error paths.
    for (int operation = 0; operation < 5; ++operation)
        EXPECT_GE(succeeded[operation], 20) << "operation " << operation;
}

}  // namespace
}  // namespace vesmor
