#include "sim/reader_engine.h"

#include <algorithm>
#include <cstdio>

namespace vesmor::sim {

namespace {

// Wire codes of the commands per protocol type.
struct CommandSet {
    uint8_t identify, iso, option, reset, usbMode;
};
constexpr CommandSet kType01 = {0xF0, 0x20, 0xF4, 0xF6, 0xFF};
constexpr CommandSet kType2 = {0x0B, 0x28, 0x00, 0x07, 0x0F};
constexpr CommandSet kType3 = {0x60, 0x21, 0x00, 0x07, 0xFF};

const CommandSet& Commands(int protocolType) {
    return protocolType == 2 ? kType2 : (protocolType == 3 ? kType3 : kType01);
}

constexpr uint8_t kStatusUnknownCommand01 = 24;
constexpr uint8_t kStatusUnknownCommand23 = 0xA0;
constexpr uint8_t kStatusNoTransponder01 = 21;
constexpr uint8_t kStatusNoTransponder23 = 0xC4;

}  // namespace

ReaderEngine::ReaderEngine(const ReaderConfig& config)
    : config_(config), parser_(config.protocolType, config.busAddress) {}

uint8_t ReaderEngine::Success(const Request& request) const {
    return config_.protocolType >= 2 ? request.command : 0;
}

uint8_t ReaderEngine::ErrorStatus(uint8_t type01Status, uint8_t type23Status) const {
    return config_.protocolType >= 2 ? type23Status : type01Status;
}

std::string ReaderEngine::VersionText() const {
    char text[8];
    std::snprintf(text, sizeof text, "%03X%c", config_.deviceCode & 0xFFF, config_.firmware);
    return text;
}

ReaderAnswer ReaderEngine::Identification(const Request& request) const {
    ReaderAnswer answer{Success(request), {}, false, false};
    const std::string version = VersionText();
    switch (config_.protocolType) {
        case 2:
            if (request.data == std::vector<uint8_t>{'F', 'V'}) {
                const std::string fv = config_.fvAnswer.empty() ? version : config_.fvAnswer;
                answer.data.assign(fv.begin(), fv.end());
            } else {
                answer.data = {0x04, 0x05, '1', '5'};
            }
            break;
        case 3:
            // Nine bytes; the library keeps bytes 5 to 8.
            answer.data = {'Q', 'X', '3', ' '};
            answer.data.insert(answer.data.end(), version.begin(), version.end());
            answer.data.push_back('\r');
            break;
        default:
            answer.data.assign(version.begin(), version.end());
            break;
    }
    return answer;
}

ReaderAnswer ReaderEngine::Answer(const Request& request) const {
    if (auto it = faults_.statusFor.find(request.command); it != faults_.statusFor.end()) {
        return {it->second, {}, false, false};
    }
    const CommandSet& commands = Commands(config_.protocolType);
    if (request.command == commands.identify) {
        return Identification(request);
    }
    if (request.command == commands.iso) {
        std::vector<uint8_t> iso = request.data;
        if (config_.protocolType >= 2 && !iso.empty()) {
            iso.erase(iso.begin());  // the byte the library inserts for these types
        }
        if (field_ == nullptr) {
            return {ErrorStatus(kStatusNoTransponder01, kStatusNoTransponder23), {}, false, false};
        }
        ReaderAnswer answer = field_->HandleIso(iso, config_.protocolType);
        if (!answer.chained && answer.data.size() > config_.maxAnswerData) {
            answer.data.resize(config_.maxAnswerData);
        }
        if (answer.status == 0 && config_.protocolType >= 2) {
            answer.status = request.command;
        }
        return answer;
    }
    const bool known = request.command == commands.reset || request.command == commands.usbMode ||
                       (commands.option != 0 && request.command == commands.option);
    if (known) {
        return {Success(request), {}, false, false};
    }
    return {ErrorStatus(kStatusUnknownCommand01, kStatusUnknownCommand23), {}, false, false};
}

std::vector<Reply> ReaderEngine::OnBytes(const uint8_t* bytes, size_t count) {
    std::vector<Reply> replies;
    for (Request& request : parser_.Feed(bytes, count)) {
        requests_.push_back(request);
        ++requestCount_;
        if (faults_.silent || requestCount_ < faults_.answerFromRequest) {
            continue;
        }
        const ReaderAnswer answer = Answer(request);
        if (answer.silent) {
            continue;
        }
        Reply reply;
        reply.requestLength = request.frame.size();
        reply.delayMs = faults_.delayMs;
        reply.bytes = faults_.strayBytes;
        std::vector<uint8_t> frame = FrameAnswer(config_.protocolType, config_.busAddress,
                                                 answer.status, answer.data, answer.chained);
        if (faults_.badChecksum && config_.protocolType <= 1) {
            frame.back() ^= 0xFF;
        }
        frame.resize(frame.size() - std::min(frame.size(), static_cast<size_t>(faults_.cutBytes)));
        reply.bytes.insert(reply.bytes.end(), frame.begin(), frame.end());
        replies.push_back(reply);
        if (faults_.duplicateAfterMs >= 0) {
            Reply duplicate;
            duplicate.bytes = frame;
            duplicate.requestLength = reply.requestLength;
            duplicate.delayMs = reply.delayMs + faults_.duplicateAfterMs;
            replies.push_back(duplicate);
        }
    }
    return replies;
}

}  // namespace vesmor::sim
