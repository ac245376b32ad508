#include "library/frame.h"

#include "library/checksum.h"

namespace vesmor {

namespace {

// ISO commands whose type-2/3 translation marks a write-like request.
bool IsWriteLikeIsoCommand(uint8_t isoCommand) {
    return isoCommand == 0x21 || isoCommand == 0x22 || isoCommand == 0x27 || isoCommand == 0x29;
}

}  // namespace

void TranslateCommand(CMyByteArray& tx, int protocolType) {
    if ((protocolType != 2 && protocolType != 3) || tx.IsEmpty()) {
        return;
    }
    const bool type3 = protocolType == 3;
    switch (tx[0]) {
        case 0x20: {
            const bool writeLike = tx.GetSize() > 2 && IsWriteLikeIsoCommand(tx[2]);
            tx[0] = type3 ? 0x21 : 0x28;
            tx.InsertAt(1, type3 ? (writeLike ? 8 : 4) : (writeLike ? 1 : 0));
            break;
        }
        case 0x21:
            tx[0] = 0x29;
            break;
        case 0xF0:
            tx[0] = type3 ? 0x60 : 0x0B;
            break;
        case 0xF5:
            tx[0] = (tx.GetSize() > 1 && tx[1] == 0) ? 0x0D : 0x0C;
            tx.RemoveAt(1);
            break;
        case 0xF6:
        case 0xF7:
            tx[0] = 0x07;
            break;
        case 0xF9:
        case 0xFA:
            if (!type3) {
                tx[0] = 0x0E;
            }
            break;
        case 0xFF:
            if (!type3) {
                tx[0] = 0x0F;
            }
            break;
        default:
            break;
    }
}

uint8_t BuildFrame(CMyByteArray& tx, int protocolType, uint8_t busAddress) {
    TranslateCommand(tx, protocolType);
    const uint8_t lastCommand = tx[0];
    tx.InsertAt(1, static_cast<uint8_t>(tx.GetSize() - 1));
    switch (protocolType) {
        case 0:
            tx.InsertAt(0, kStartByteType0);
            tx.InsertAt(1, busAddress);
            tx.Add(Bcc(tx.GetData() + 1, tx.GetSize() - 1));
            break;
        case 1: {
            tx.InsertAt(0, busAddress);
            const uint16_t crc = Crc16Modbus(tx.GetData(), tx.GetSize());
            tx.Add(static_cast<uint8_t>(crc & 0xFF));
            tx.Add(static_cast<uint8_t>(crc >> 8));
            break;
        }
        default:
            tx.InsertAt(0, kStartByteType23);
            break;
    }
    return lastCommand;
}

size_t CompleteAnswerLength(const uint8_t* bytes, size_t size, int protocolType) {
    const size_t lengthIndex = LengthByteIndex(protocolType);
    if (size <= lengthIndex) {
        return 0;
    }
    const uint8_t length = bytes[lengthIndex];
    if (length != kChainedLength) {
        const size_t complete = length + (protocolType >= 2 ? 3u : 5u);
        return size >= complete ? complete : 0;
    }
    // Walk the blocks: each is a length byte n followed by n bytes, up to the 0xFF terminator.
    size_t p = lengthIndex + 1;
    while (p < size) {
        if (bytes[p] == kChainedLength) {
            const size_t complete = p + 1 + ChecksumLength(protocolType);
            return size >= complete ? complete : 0;
        }
        p += static_cast<size_t>(bytes[p]) + 1;
    }
    return 0;
}

bool IsAnswerComplete(const uint8_t* bytes, size_t size, int protocolType) {
    return CompleteAnswerLength(bytes, size, protocolType) != 0;
}

namespace {

bool ChecksumMatches(const CMyByteArray& a, int protocolType) {
    const size_t n = a.GetSize();
    if (protocolType == 0) {
        return n >= 2 && Bcc(a.GetData() + 1, n - 2) == a[n - 1];
    }
    if (protocolType == 1) {
        return n >= 3 && Crc16Modbus(a.GetData(), n - 2) == (a[n - 1] << 8 | a[n - 2]);
    }
    return true;
}

int32_t Type0StatusError(uint8_t status) {
    if (status == 3 || status == 25) {
        return 23;
    }
    if (status == 7) {
        return 44;
    }
    return status;
}

int32_t Type23StatusError(uint8_t status) {
    switch (status) {
        case 0xA0:
            return 24;
        case 0xA4:
            return 20;
        case 0x88:
            return 17;
        case 0xCC:
            return 23;
        case 0xC4:
        case 0xC5:
            return 21;
        default:
            return 16;
    }
}

// Removes header and trailer of an accepted answer; a chained answer also loses its terminator.
// Frames too short to hold both are refused as malformed.
bool Strip(CMyByteArray& a, size_t header, size_t trailer, bool chained) {
    const size_t tail = trailer + (chained ? 1 : 0);
    if (a.GetSize() < header + tail) {
        return false;
    }
    a.RemoveAt(0, header);
    a.SetSize(a.GetSize() - tail);
    return true;
}

}  // namespace

AnswerCheck CheckAnswer(CMyByteArray& a, int protocolType, uint8_t lastCommand) {
    if (a.IsEmpty()) {
        return {false, 12};
    }
    if (!ChecksumMatches(a, protocolType)) {
        return {false, 10};
    }
    const size_t lengthIndex = LengthByteIndex(protocolType);
    const size_t header = lengthIndex + 1;
    if (a.GetSize() < header) {
        return {false, 10};
    }
    const bool chained = a[lengthIndex] == kChainedLength;
    const uint8_t status = a[protocolType == 0 ? 2 : 1];
    int32_t warning = 0;
    if (protocolType == 0) {
        if (status == 0x20) {
            warning = 32;
        } else if (status != 0) {
            return {false, Type0StatusError(status)};
        }
    } else if (protocolType == 1) {
        if (status != 0) {
            return {false, status};
        }
    } else if (status != lastCommand) {
        return {false, Type23StatusError(status)};
    }
    if (!Strip(a, header, ChecksumLength(protocolType), chained)) {
        return {false, 10};
    }
    return {true, warning};
}

int32_t IsoErrorToCode(uint8_t e) {
    switch (e) {
        case 0x01:
            return 32;
        case 0x02:
            return 33;
        case 0x03:
            return 34;
        case 0x0F:
            return 35;
        case 0x10:
            return 36;
        case 0x11:
            return 37;
        case 0x12:
            return 38;
        case 0x13:
            return 39;
        case 0x14:
            return 40;
        default:
            return (e >= 0xA0 && e <= 0xDF) ? e : 41;
    }
}

AnswerCheck CheckIsoAnswer(CMyByteArray& data, int protocolType) {
    if (data.IsEmpty()) {
        return {false, 42};
    }
    if (protocolType == 2) {
        const uint8_t prefix = data[0];
        data.RemoveAt(0);
        if (prefix == 1)
            return {false, 21};
        if (prefix == 2)
            return {false, 23};
        if (prefix == 8)
            return {false, 10};
    }
    if (data.IsEmpty()) {
        return {false, 9};
    }
    const uint8_t flags = data[0];
    data.RemoveAt(0);
    if ((flags & 0x01) == 0) {
        return {true, 0};
    }
    if (data.IsEmpty()) {
        return {false, 42};
    }
    return {false, IsoErrorToCode(data[0])};
}

}  // namespace vesmor
