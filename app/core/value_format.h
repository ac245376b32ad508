#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/write_job.h"

// Conversion between the write/read text of each data format and the bytes of the transponder
// blocks.
namespace tagforge {

// The bytes to write: whole blocks, zero-filled beyond the value. On failure `messageId` names
// the status message and there are no bytes.
struct BlockData {
    int messageId = 0;
    std::vector<std::string> messageArgs;  // for the placeholders of the message
    std::vector<uint8_t> bytes;
    uint32_t blocksToWrite = 0;

    bool Ok() const { return messageId == 0; }
};

// Converts the job's write text for writing to the transponder `tag`, starting at `Startblock`.
BlockData ConvertForWrite(const WriteJob& job, const TagGeometry& tag);

// Text for bytes read from the transponder (whole blocks). `messageId` is set only when format 2
// cannot show more than 8 bytes; the text is then empty.
struct RenderedText {
    std::string text;
    int messageId = 0;
};
RenderedText RenderBytes(std::span<const uint8_t> bytes, int format, int byteCount);

// The write text after switching the job from its format to `newFormat`: the text is turned into
// bytes by the old format and shown in the new one. `messageIds` are the status messages that
// arose on the way (from format 0's full conversion, or format 2's rendering of over 8 bytes).
struct FormatSwitch {
    std::string text;
    std::vector<int> messageIds;
};
FormatSwitch SwitchFormat(const WriteJob& job, int newFormat, const TagGeometry& tag);

}  // namespace tagforge
