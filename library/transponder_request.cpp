// Shared pieces of the transponder operations: flag rules, request heads, block numbers and the
// ISO exchange inside reader command 0x20.

#include <algorithm>

#include "library/transponder.h"

namespace vesmor {

namespace {
constexpr uint8_t kTransparentIso = 0x20;
}

std::optional<TransponderUid> GivenUid(const uint8_t* uid, int32_t uidLength) {
    if (uid == nullptr || uidLength != 8) {
        return std::nullopt;
    }
    TransponderUid bytes;
    std::copy(uid, uid + 8, bytes.begin());
    return bytes;
}

Addressing ApplyFlagRules(int32_t flags, std::optional<TransponderUid> uid) {
    Addressing a;
    a.flags = flags;
    a.uid = uid;
    if (a.Raw()) {
        return a;
    }
    if (uid) {
        a.flags |= kFlagAddressed;
        a.maker = (*uid)[6];
    }
    if ((a.flags & kOptionClearSubcarrier) || a.maker == kMakerFujitsu) {
        a.flags &= ~int32_t{kFlagSubcarrier};
    }
    return a;
}

CMyByteArray TransponderCommands::RequestHead(const Addressing& a, uint8_t command,
                                              int customMaker) {
    CMyByteArray request = {static_cast<uint8_t>(a.flags & 0xFF), command};
    if (customMaker >= 0) {
        request.Add(static_cast<uint8_t>(customMaker));
    }
    if ((a.flags & kFlagAddressed) && a.uid) {
        request.Append(a.uid->data(), a.uid->size());
    }
    return request;
}

bool TransponderCommands::AppendBlockNumber(CMyByteArray& request, const Addressing& a,
                                            int32_t block) {
    const bool wide = a.WideBlockNumbers();
    if (block < 0 || block > (wide ? 0xFFFF : 0xFF)) {
        port_.SetLastError(15);
        return false;
    }
    request.Add(static_cast<uint8_t>(block & 0xFF));
    if (wide) {
        request.Add(static_cast<uint8_t>(block >> 8));
    }
    return true;
}

bool TransponderCommands::IsoExchange(const CMyByteArray& isoRequest, CMyByteArray& answer) {
    CMyByteArray& tx = port_.TransmitBuffer();
    tx.RemoveAll();
    tx.Add(kTransparentIso);
    tx.Append(isoRequest);
    return port_.SendCommand() && port_.ReceiveIsoAnswer(answer);
}

}  // namespace vesmor
