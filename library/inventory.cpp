// Inventory with anticollision: 16-slot passes, nested passes with longer masks for slots in
// which several transponders answered.

#include "library/transponder.h"

namespace vesmor {

namespace {

constexpr uint8_t kIsoInventory = 0x01;
constexpr int32_t kInventoryTimeoutMs = 1000;
constexpr size_t kRecordLength = 11;  // slot status, response flags, DSFID, UID
constexpr int kUidBits = 64;
// Passes of one inventory, nested ones included. A field of 200 transponders with random UIDs
// needs 65; a reader that reports collisions in every slot of every pass would otherwise
// ask for 16^15 of them.
constexpr int kInventoryPassBudget = 256;

// Keeps a timeout for the life of the object and restores the previous one.
class ScopedTimeout {
  public:
    ScopedTimeout(CVESMOR_Port& port, int32_t ms) : port_(port), saved_(port.Timeout()) {
        port_.SetTimeout(ms);
    }
    ~ScopedTimeout() { port_.SetTimeout(saved_); }

  private:
    CVESMOR_Port& port_;
    int32_t saved_;
};

}  // namespace

bool TransponderCommands::IsCollision(uint8_t slotStatus) const {
    switch (port_.ProtocolType()) {
        case 0:
        case 2:
            return (slotStatus & 0x0F) == 2;
        case 3:
            return slotStatus == 0xCC;
        default:
            return false;
    }
}

bool TransponderCommands::InventoryPass(int32_t flags, uint8_t afi, int maskLength, uint64_t mask,
                                        CMyByteArray& records) {
    CMyByteArray& tx = port_.TransmitBuffer();
    tx.RemoveAll();
    tx.Add(0x20);
    tx.Add(static_cast<uint8_t>(flags & 0xFF));
    tx.Add(kIsoInventory);
    if (flags & kFlagAfi) {
        tx.Add(afi);
    }
    tx.Add(static_cast<uint8_t>(maskLength));
    for (int i = 0; i < (maskLength + 4) / 8; ++i) {
        tx.Add(static_cast<uint8_t>(mask >> (8 * i)));
    }
    bool sent;
    {
        ScopedTimeout timeout(port_, kInventoryTimeoutMs);
        sent = port_.SendCommand();
    }
    CMyByteArray answer;
    if (!sent || !port_.ReceiveAnswer(answer)) {
        return false;
    }
    if (port_.ProtocolType() == 2 && answer.GetSize() == 1) {
        const uint8_t r = answer[0];
        answer.RemoveAll();
        if (r == 1 || r == 2 || r == 8) {
            port_.SetLastError(r == 1 ? 21 : (r == 2 ? 23 : 10));
            return false;
        }
    }
    if (port_.ProtocolType() == 3 && answer.GetSize() == 10 && flags != 0) {
        answer.InsertAt(0, 0);
        answer.InsertAt(0, kRecordLength);
    }

    const bool oneSlot = (flags & kFlagAddressed) != 0;
    const int expected = oneSlot ? 1 : 16;
    int walked = 0;
    size_t p = 0;
    while (walked < expected && p < answer.GetSize()) {
        const size_t n = answer[p];
        if (n == 0 || p + 1 + n > answer.GetSize()) {
            break;
        }
        const uint8_t status = answer[p + 1];
        if (IsCollision(status)) {
            if (oneSlot) {
                port_.SetLastError(23);
                return false;
            }
            // A nested pass adds the slot's 4 bits to the mask. Once mask and slot number cover
            // the whole UID, further passes cannot separate the transponders (two with one UID,
            // or a faulty reader): the slot stays a collision. So does it once the inventory
            // has used up its passes.
            if (maskLength + 4 + 4 <= kUidBits && inventoryPassesLeft_ > 0) {
                --inventoryPassesLeft_;
                InventoryPass(flags, afi, maskLength + 4,
                              mask | (static_cast<uint64_t>(walked) << maskLength), records);
            }
        } else if ((status & 0x0F) == 0 && n == kRecordLength) {
            records.Append(answer.GetData() + p + 1, kRecordLength);
        }
        ++walked;
        p += n + 1;
    }
    if (walked < expected) {
        port_.SetLastError(6);
        return false;
    }
    return true;
}

bool TransponderCommands::RunInventory(int32_t flags, CMyByteArray& records) {
    if (!(flags & kOptionRaw)) {
        flags |= kFlagInventory;
    }
    inventoryPassesLeft_ = kInventoryPassBudget - 1;
    return InventoryPass(flags, 0, 0, 0, records);
}

int32_t TransponderCommands::Inventory(uint8_t* buffer, int32_t size, int32_t flags) {
    if (buffer == nullptr || size < 0) {
        port_.SetLastError(7);
        return -1;
    }
    CMyByteArray records;
    if (!RunInventory(flags, records)) {
        return -1;
    }
    size_t count = records.GetSize();
    if (count > static_cast<size_t>(size)) {
        count = static_cast<size_t>(size) / kRecordLength * kRecordLength;
    }
    std::copy(records.GetData(), records.GetData() + count, buffer);
    return static_cast<int32_t>(count);
}

std::optional<TransponderUid> TransponderCommands::FindSingleUid(int32_t flags) {
    CMyByteArray records;
    if (!RunInventory(flags | kFlagInventory | kFlagAddressed, records) ||
        records.GetSize() != kRecordLength) {
        port_.SetLastError(43);
        return std::nullopt;
    }
    TransponderUid uid;
    std::copy(records.GetData() + 3, records.GetData() + kRecordLength, uid.begin());
    return uid;
}

}  // namespace vesmor
