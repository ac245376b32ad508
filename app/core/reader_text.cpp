#include "app/core/reader_text.h"

#include <cstdio>

#include "common/messages.h"

namespace tagforge {

int FirmwareDigit(uint8_t c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    return 255;
}

std::string FirmwareText(uint8_t versionByte) {
    char text[32];
    std::snprintf(text, sizeof text, MessageText(kMsgFirmwareVersion), 1,
                  FirmwareDigit(versionByte));
    return text;
}

}  // namespace tagforge
