#include "sim/tag_field.h"

#include <algorithm>

#include "sim/sim_tag.h"

namespace vesmor::sim {

namespace {

constexpr uint8_t kFlagAfi = 0x10;
constexpr uint8_t kFlagOneSlot = 0x20;
constexpr size_t kRecordLength = 11;

// How each protocol type words the reader's side of an answer.
struct Wording {
    int protocolType;

    // No transponder answered.
    ReaderAnswer NoTransponder() const {
        switch (protocolType) {
            case 2:
                return {0, {0x01}, false, false};
            case 3:
                return {0xC4, {}, false, false};
            default:
                return {21, {}, false, false};
        }
    }
    // Several transponders answered an unaddressed request at once.
    ReaderAnswer Collision() const {
        switch (protocolType) {
            case 0:
                return {3, {}, false, false};
            case 1:
                return {23, {}, false, false};
            case 2:
                return {0, {0x02}, false, false};
            default:
                return {0xCC, {}, false, false};
        }
    }
    ReaderAnswer Response(const std::vector<uint8_t>& response) const {
        ReaderAnswer answer{0, response, false, false};
        if (protocolType == 2) {
            answer.data.insert(answer.data.begin(), 0x00);
        }
        return answer;
    }
    // Slot status of a slot in which several transponders answered; type 1 readers report
    // such a slot without a collision mark.
    uint8_t CollisionSlotStatus() const {
        return protocolType == 3 ? 0xCC : (protocolType == 1 ? 0x03 : 0x02);
    }
};

constexpr uint8_t kEmptySlotStatus = 0x01;

uint64_t MaskBits(int length) {
    return length >= 64 ? ~uint64_t{0} : (uint64_t{1} << length) - 1;
}

}  // namespace

TagField::TagField() = default;
TagField::~TagField() = default;

Uid TagField::Insert(ChipKind kind, std::optional<Uid> uid) {
    std::lock_guard lock(mutex_);
    const Uid actual = uid ? *uid : MakeUid(kind, nextSerial_++);
    tags_.push_back(std::make_unique<SimTag>(kind, actual));
    return actual;
}

bool TagField::Remove(const Uid& uid) {
    std::lock_guard lock(mutex_);
    const size_t before = tags_.size();
    std::erase_if(tags_, [&](const auto& tag) { return tag->GetUid() == uid; });
    return tags_.size() != before;
}

bool TagField::MoveOutOfReach(const Uid& uid) {
    std::lock_guard lock(mutex_);
    for (const auto& tag : tags_) {
        if (tag->GetUid() == uid) {
            tag->MoveOutOfReach();
            return true;
        }
    }
    return false;
}

void TagField::Clear() {
    std::lock_guard lock(mutex_);
    tags_.clear();
}

std::vector<Uid> TagField::Uids() const {
    std::lock_guard lock(mutex_);
    std::vector<Uid> uids;
    for (const auto& tag : tags_) {
        uids.push_back(tag->GetUid());
    }
    return uids;
}

std::optional<std::vector<uint8_t>> TagField::Block(const Uid& uid, int block) const {
    std::lock_guard lock(mutex_);
    for (const auto& tag : tags_) {
        if (tag->GetUid() == uid) {
            return tag->Block(block);
        }
    }
    return std::nullopt;
}

bool TagField::SetBlock(const Uid& uid, int block, const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    for (const auto& tag : tags_) {
        if (tag->GetUid() == uid) {
            return tag->SetBlock(block, bytes);
        }
    }
    return false;
}

bool TagField::LeaveAfterWrites(const Uid& uid, int writes) {
    std::lock_guard lock(mutex_);
    for (const auto& tag : tags_) {
        if (tag->GetUid() == uid) {
            tag->LeaveAfterWrites(writes);
            return true;
        }
    }
    return false;
}

std::vector<std::vector<uint8_t>> TagField::IsoRequests() const {
    std::lock_guard lock(mutex_);
    return isoRequests_;
}

void TagField::ClearIsoRequests() {
    std::lock_guard lock(mutex_);
    isoRequests_.clear();
}

ReaderAnswer TagField::HandleIso(const std::vector<uint8_t>& request, int protocolType) {
    std::lock_guard lock(mutex_);
    isoRequests_.push_back(request);
    if (request.size() >= 2 && (request[0] & 0x04) && request[1] == 0x01) {
        return Inventory(request, protocolType);
    }
    return Command(request, protocolType);
}

ReaderAnswer TagField::Inventory(const std::vector<uint8_t>& request, int protocolType) {
    const Wording wording{protocolType};
    const uint8_t flags = request[0];
    size_t i = 2;
    const int afi = (flags & kFlagAfi) && i < request.size() ? request[i++] : -1;
    if (i >= request.size()) {
        return wording.NoTransponder();
    }
    const int maskLength = request[i++];
    uint64_t mask = 0;
    for (int byte = 0; byte < (maskLength + 7) / 8 && i < request.size(); ++byte) {
        mask |= uint64_t{request[i++]} << (8 * byte);
    }
    const bool oneSlot = flags & kFlagOneSlot;
    std::vector<std::vector<const SimTag*>> slots(oneSlot ? 1 : 16);
    size_t answering = 0;
    for (const auto& tag : tags_) {
        const uint64_t value = tag->UidValue();
        const bool afiMatches = afi <= 0 || afi == tag->Afi();
        if (!tag->Hears(flags) || !afiMatches || ((value ^ mask) & MaskBits(maskLength)) != 0) {
            continue;
        }
        const size_t slot = oneSlot || maskLength >= 64 ? 0 : (value >> maskLength) & 0xF;
        slots[slot].push_back(tag.get());
        ++answering;
    }
    if (answering == 0) {
        return wording.NoTransponder();
    }
    if (protocolType == 3 && oneSlot && answering == 1) {
        const SimTag* tag = slots[0][0];
        ReaderAnswer answer{0, {0x00, tag->Dsfid()}, false, false};
        answer.data.insert(answer.data.end(), tag->GetUid().begin(), tag->GetUid().end());
        return answer;
    }
    ReaderAnswer answer{0, {}, true, false};
    for (const auto& slot : slots) {
        if (slot.empty()) {
            answer.data.insert(answer.data.end(), {1, kEmptySlotStatus});
        } else if (slot.size() > 1) {
            answer.data.insert(answer.data.end(), {1, wording.CollisionSlotStatus()});
        } else {
            answer.data.insert(answer.data.end(),
                               {static_cast<uint8_t>(kRecordLength), 0x00, 0x00, slot[0]->Dsfid()});
            answer.data.insert(answer.data.end(), slot[0]->GetUid().begin(),
                               slot[0]->GetUid().end());
        }
    }
    answer.data.push_back(0xFF);
    return answer;
}

ReaderAnswer TagField::Command(const std::vector<uint8_t>& bytes, int protocolType) {
    const Wording wording{protocolType};
    const std::optional<IsoRequest> request = ParseIsoRequest(bytes);
    if (!request) {
        return wording.NoTransponder();
    }
    std::vector<std::vector<uint8_t>> responses;
    for (const auto& tag : tags_) {
        if ((request->address && *request->address != tag->GetUid()) ||
            !tag->Hears(request->flags)) {
            continue;
        }
        if (std::optional<std::vector<uint8_t>> response = tag->Respond(*request)) {
            responses.push_back(std::move(*response));
        }
    }
    std::erase_if(tags_, [](const auto& tag) { return tag->HasLeft(); });
    if (responses.empty()) {
        return wording.NoTransponder();
    }
    if (responses.size() > 1) {
        return wording.Collision();
    }
    return wording.Response(responses[0]);
}

}  // namespace vesmor::sim
