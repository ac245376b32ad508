// The six value formats on any write text and job numbers: the input check, the conversion to
// block bytes, the increment, switching formats, and rendering bytes back to text.
//
// Input: format, start block, byte count (two bytes), flags, block count, block size, then the
// write text (the same bytes serve as read-back bytes for rendering).

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/core/increment.h"
#include "app/core/value_format.h"
#include "common/input_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 7) {
        return 0;
    }
    tagforge::WriteJob job;
    job.Datenformat = data[0] % 7;  // 6: a format outside the table
    job.Startblock = data[1];
    job.Byteanzahl = (data[2] | (data[3] << 8)) % 1100;
    job.AutoIncrement = data[4] & 1;
    job.AutoNull = data[4] & 2;
    job.PrefixZulassen = data[4] & 4;
    tagforge::TagGeometry tag;
    tag.blockCount = data[5];
    tag.blockSize = 1u << (data[6] % 6);
    tag.icManufacturer = data[4] >> 4;
    job.LastData.assign(reinterpret_cast<const char*>(data + 7), size - 7);

    tagforge::CheckJob(job);
    const tagforge::BlockData blocks = tagforge::ConvertForWrite(job, tag);
    if (blocks.Ok() && blocks.bytes.size() != size_t{blocks.blocksToWrite} * tag.blockSize) {
        __builtin_trap();  // a conversion yields whole blocks
    }
    tagforge::IncrementText(job);
    tagforge::LeadingZeroToggleText(job);
    tagforge::AfterWrite(job);
    tagforge::SwitchFormat(job, data[4] % 6, tag);
    tagforge::RenderBytes({data + 7, size - 7}, job.Datenformat, job.Byteanzahl);
    return 0;
}
