#include "app/core/transponder_text.h"

#include <cstdio>

#include "common/messages.h"

namespace tagforge {

namespace {

struct MakerText {
    int maker;
    int messageId;
};
constexpr MakerText kMakerTexts[] = {{2, 222}, {4, 223},  {5, 224}, {7, 225},
                                     {8, 227}, {22, 226}, {23, 228}};
constexpr int kUnknownMakerText = 229;

}  // namespace

int64_t TransponderSerialNumber(std::span<const uint8_t, 8> uid) {
    int64_t serial = 0;
    for (int i = 5; i >= 0; --i) {
        serial = serial << 8 | uid[static_cast<size_t>(i)];
    }
    return serial;
}

int TransponderTypeMessageId(int icManufacturer) {
    for (const MakerText& m : kMakerTexts) {
        if (m.maker == icManufacturer) {
            return m.messageId;
        }
    }
    return kUnknownMakerText;
}

std::string TransponderTypeText(std::span<const uint8_t, 8> uid, const char* format) {
    const int maker = uid[6];
    const long long serial = TransponderSerialNumber(uid);
    char text[160];
    if (TransponderTypeMessageId(maker) == kUnknownMakerText) {
        std::snprintf(text, sizeof text, format, maker, serial);
    } else {
        std::snprintf(text, sizeof text, format, serial);
    }
    return text;
}

std::string TransponderTypeText(std::span<const uint8_t, 8> uid) {
    return TransponderTypeText(uid, MessageText(TransponderTypeMessageId(uid[6])));
}

std::string HexBytes(std::span<const uint8_t> bytes) {
    std::string text;
    char pair[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += pair;
    }
    return text;
}

std::string UidText(std::span<const uint8_t, 8> uid) {
    std::string text;
    char pair[3];
    for (int i = 7; i >= 0; --i) {
        std::snprintf(pair, sizeof pair, "%02X", uid[static_cast<size_t>(i)]);
        text += pair;
    }
    return text;
}

}  // namespace tagforge
