#include "sim/dongle_engine.h"

#include "transports/bt_dongle_frame.h"

namespace vesmor::sim {

namespace {

constexpr size_t kDongleBuffer = 1000;
constexpr uint8_t kLinkLost = 0x08;     // disconnect reason: supervision time-out
constexpr uint8_t kPageTimeout = 0x04;  // connect status: nobody answered
constexpr uint8_t kDataIndicationHeader = 3;

Reply Indication(uint8_t opcode, const std::vector<uint8_t>& body) {
    Reply reply;
    reply.bytes = EncodeDongleFrame(kDongleIndication, opcode, body);
    return reply;
}

Reply Confirm(uint8_t opcode, const std::vector<uint8_t>& body) {
    Reply reply;
    reply.bytes = EncodeDongleFrame(kDongleConfirm, opcode, body);
    return reply;
}

std::vector<uint8_t> InquiryResult(const std::array<uint8_t, 6>& address, uint16_t deviceClass) {
    std::vector<uint8_t> body(address.begin(), address.end());
    body.push_back(static_cast<uint8_t>(deviceClass & 0xFF));
    body.push_back(static_cast<uint8_t>(deviceClass >> 8));
    body.push_back(0x00);  // major service classes
    return body;
}

}  // namespace

DongleEngine::DongleEngine(ReaderEngine& reader, const DongleConfig& config)
    : reader_(reader), config_(config), emptyNamesLeft_(config.emptyNameAnswers) {}

std::vector<Reply> DongleEngine::OnBytes(const uint8_t* bytes, size_t count) {
    buffer_.insert(buffer_.end(), bytes, bytes + count);
    std::vector<Reply> replies;
    for (;;) {
        size_t consumed = 0;
        const auto frame =
            TakeDongleFrame(buffer_.data(), buffer_.size(), kDongleBuffer, &consumed);
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(consumed));
        if (!frame) {
            return replies;
        }
        if (frame->type != kDongleRequest) {
            continue;
        }
        for (Reply& reply : Handle(frame->opcode, frame->body)) {
            replies.push_back(std::move(reply));
        }
    }
}

std::vector<Reply> DongleEngine::Handle(uint8_t opcode, const std::vector<uint8_t>& body) {
    const std::vector<uint8_t> address(config_.readerAddress.begin(), config_.readerAddress.end());
    switch (opcode) {
        case kOpReset:
            ++log_.resets;
            return {Indication(kOpResetIndication, {0x00})};
        case kOpInquiry: {
            ++log_.inquiries;
            std::vector<Reply> replies;
            if (config_.otherDevice) {
                replies.push_back(Indication(
                    kOpInquiryResult, InquiryResult({0x01, 0x02, 0x03, 0x04, 0x05, 0x06}, 0x020C)));
            }
            if (config_.readerInRange) {
                replies.push_back(Indication(
                    kOpInquiryResult, InquiryResult(config_.readerAddress, config_.readerClass)));
            }
            replies.push_back(Confirm(kOpInquiry, {0x00}));
            return replies;
        }
        case kOpRemoteName: {
            ++log_.nameRequests;
            std::vector<uint8_t> answer{0x00};
            answer.insert(answer.end(), body.begin(), body.end());
            answer.resize(7);
            std::string name = config_.readerName;
            if (emptyNamesLeft_ > 0) {
                --emptyNamesLeft_;
                name.clear();
            }
            if (!config_.readerInRange || body != address) {
                answer[0] = kPageTimeout;
                name.clear();
            }
            answer.push_back(static_cast<uint8_t>(name.size()));
            answer.insert(answer.end(), name.begin(), name.end());
            return {Confirm(kOpRemoteName, answer)};
        }
        case kOpConnect: {
            ++log_.connects;
            const bool reachable =
                config_.readerInRange && body.size() >= 7 &&
                std::vector<uint8_t>(body.begin() + 1, body.begin() + 7) == address;
            if (config_.connectRefusal != 0) {
                return {Confirm(kOpConnect, {config_.connectRefusal})};
            }
            std::vector<uint8_t> indication{reachable ? uint8_t{0} : kPageTimeout};
            indication.insert(indication.end(), address.begin(), address.end());
            indication.push_back(kDongleLink);
            indication.push_back(body.size() > 7 ? body[7] : 0);
            linkUp_ = reachable;
            return {Confirm(kOpConnect, {0x00}), Indication(kOpConnectIndication, indication)};
        }
        case kOpDisconnect: {
            ++log_.disconnects;
            const bool wasUp = linkUp_;
            linkUp_ = false;
            std::vector<Reply> replies{Indication(kOpDisconnectDone, {0x00})};
            if (wasUp) {
                replies.push_back(Indication(kOpDisconnectIndication, {kDongleLink, 0x16}));
            }
            return replies;
        }
        case kOpData:
            ++log_.dataRequests;
            return OnData(body);
        default:
            return {Confirm(opcode, {0x01})};
    }
}

std::vector<Reply> DongleEngine::OnData(const std::vector<uint8_t>& body) {
    if (body.size() < kDataIndicationHeader || body[0] != kDongleLink) {
        return {};
    }
    if (!linkUp_) {
        // Nothing to carry the data: the dongle reports the link as down.
        return {Indication(kOpDisconnectIndication, {kDongleLink, kLinkLost})};
    }
    const size_t length = std::min<size_t>(body[1] | body[2] << 8, body.size() - 3);
    std::vector<Reply> replies = reader_.OnBytes(body.data() + 3, length);
    for (Reply& reply : replies) {
        reply.bytes = EncodeDongleFrame(kDongleIndication, kOpDataIndication,
                                        DataPayload(reply.bytes.data(), reply.bytes.size()));
    }
    return replies;
}

std::vector<Reply> DongleEngine::SetReaderInRange(bool inRange) {
    config_.readerInRange = inRange;
    if (inRange || !linkUp_) {
        return {};
    }
    linkUp_ = false;
    return {Indication(kOpDisconnectIndication, {kDongleLink, kLinkLost})};
}

}  // namespace vesmor::sim
