// Reading a run of blocks: Read Multiple Blocks in runs as long as an answer frame can carry,
// with a fall back to ReadBlock's rules, block after block, for chips that refuse or garble it.

#include <algorithm>

#include "library/transponder.h"

namespace vesmor {

namespace {

// The answer's length byte counts at most 254 data bytes (0xFF marks a chained answer). They
// hold the ISO response flags and, for protocol type 2, the reader's prefix byte before the
// blocks.
constexpr int32_t kMaxAnswerData = 254;
// Read Multiple Blocks sends the count less one in a byte.
constexpr int32_t kMaxRunBlocks = 256;
// The first run for a chip whose block size is not known yet: it fits in one answer even for
// blocks of 32 bytes with their security status byte.
constexpr int32_t kProbeRunBlocks = 7;

int32_t BlockBytesPerAnswer(int protocolType) {
    return kMaxAnswerData - 1 - (protocolType == 2 ? 1 : 0);
}

}  // namespace

bool TransponderCommands::CopyOut(const CMyByteArray& data, uint8_t* buffer, int32_t size,
                                  int32_t& written) {
    if (data.GetSize() > static_cast<size_t>(size - written)) {
        port_.SetLastError(5);
        return false;
    }
    std::copy(data.GetData(), data.GetData() + data.GetSize(), buffer + written);
    written += static_cast<int32_t>(data.GetSize());
    return true;
}

bool TransponderCommands::ReadEachBlock(int32_t first, int32_t end, const Addressing& a,
                                        uint8_t* buffer, int32_t size, int32_t& written) {
    for (int32_t block = first; block < end; ++block) {
        const std::optional<CMyByteArray> data = ReadBlockData(block, a);
        if (!data || !CopyOut(*data, buffer, size, written)) {
            return false;
        }
    }
    return true;
}

std::optional<CMyByteArray> TransponderCommands::ReadMultipleRun(int32_t first, int32_t count,
                                                                 const Addressing& a) {
    CMyByteArray request = RequestHead(a, kIsoReadMultipleBlocks);
    if (!AppendBlockNumber(request, a, first)) {
        return std::nullopt;
    }
    request.Add(static_cast<uint8_t>(count - 1));
    CMyByteArray answer;
    if (!IsoExchange(request, answer)) {
        return std::nullopt;
    }
    return answer;
}

int32_t TransponderCommands::ReadBlocks(int32_t first, int32_t count, uint8_t* buffer, int32_t size,
                                        std::optional<TransponderUid> uid, int32_t flags) {
    if (buffer == nullptr || size < 0 || count < 1) {
        port_.SetLastError(7);
        return -1;
    }
    const Addressing a = ApplyFlagRules(flags, uid);
    const bool wide = !a.Infineon() && a.WideBlockNumbers();
    const int64_t end = int64_t{first} + count;
    if (first < 0 || end - 1 > (wide ? 0xFFFF : 0xFF)) {
        port_.SetLastError(15);
        return -1;
    }
    int32_t written = 0;
    // Infineon's custom read and EM's one-block Read Multiple Blocks keep their own rules.
    const bool addressed = (a.flags & kFlagAddressed) && a.uid;
    auto& notes = port_.MultiBlockNotes();
    const auto known = addressed ? notes.find(*a.uid) : notes.end();
    if (a.Infineon() || a.Em() ||
        (known != notes.end() && known->second == CVESMOR_Port::kRefusesMultipleBlocks)) {
        return ReadEachBlock(first, static_cast<int32_t>(end), a, buffer, size, written) ? written
                                                                                         : -1;
    }

    const int32_t securityByte = (a.flags & kFlagOption) ? 1 : 0;
    int32_t blockSize = known != notes.end() ? known->second : 0;
    for (int32_t block = first; block < end;) {
        const int32_t left = static_cast<int32_t>(end - block);
        int32_t run = blockSize > 0
                          ? BlockBytesPerAnswer(port_.ProtocolType()) / (blockSize + securityByte)
                          : kProbeRunBlocks;
        run = std::min({run, left, kMaxRunBlocks});
        if (run <= 1) {
            // One block is read as ReadBlock reads it.
            if (!ReadEachBlock(block, block + 1, a, buffer, size, written)) {
                return -1;
            }
            ++block;
            continue;
        }
        const std::optional<CMyByteArray> data = ReadMultipleRun(block, run, a);
        const size_t bytes = data ? data->GetSize() : 0;
        const bool whole =
            data && bytes % static_cast<size_t>(run) == 0 &&
            (blockSize > 0
                 ? bytes == static_cast<size_t>(run) * static_cast<size_t>(blockSize + securityByte)
                 : bytes / static_cast<size_t>(run) > static_cast<size_t>(securityByte));
        if (!whole) {
            // Refused, garbled or cut: the rest block after block. When those reads get through
            // the blocks the run asked for, the chip (or reader) does not serve such runs, and
            // this connection reads it block after block from now on. A run that got no answer
            // at all (a lost frame, a busy line) says nothing about the chip: its blocks are read
            // one by one and the runs go on.
            const bool unanswered = !data && port_.LastError() == VESMOR_ERR_TIMEOUT;
            const int32_t runEnd = block + run;
            if (!ReadEachBlock(block, runEnd, a, buffer, size, written)) {
                return -1;
            }
            if (unanswered) {
                block = runEnd;
                continue;
            }
            if (addressed) {
                notes[*a.uid] = CVESMOR_Port::kRefusesMultipleBlocks;
            }
            return ReadEachBlock(runEnd, static_cast<int32_t>(end), a, buffer, size, written)
                       ? written
                       : -1;
        }
        if (blockSize == 0) {
            blockSize = static_cast<int32_t>(bytes / static_cast<size_t>(run)) - securityByte;
            if (addressed) {
                notes[*a.uid] = blockSize;
            }
        }
        if (!CopyOut(*data, buffer, size, written)) {
            return -1;
        }
        block += run;
    }
    return written;
}

}  // namespace vesmor
