#include "tools/vesmor/image_access.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>

#include "app/core/file_output.h"
#include "app/core/tag_layout.h"
#include "app/core/transponder_text.h"
#include "common/messages.h"
#include "tools/vesmor/tool_text.h"

namespace vesmor::cli {

namespace {

constexpr int32_t kOptionFlag = 0x40;
constexpr uint8_t kLockedStatus = 0x01;
// Larger than any image of 65536 blocks of 32 bytes, so that a stray big file is refused.
constexpr size_t kMaxImageFile = 16 * 1024 * 1024;

// "Block 504 von 2048 gelesen" on one line of a terminal, overwritten as the reading goes on.
class Progress {
  public:
    Progress(bool shown, int32_t total) : shown_(shown), total_(total) {}
    ~Progress() {
        if (shown_ && drawn_) {
            std::fputs("\n", stderr);
        }
    }
    void operator()(int32_t done) {
        if (shown_) {
            std::fprintf(stderr, "\r%s",
                         Tr(QT_TRANSLATE_NOOP("vesmor", "Block %1 von %2 gelesen"),
                            {std::to_string(done), std::to_string(total_)})
                             .c_str());
            std::fflush(stderr);
            drawn_ = true;
        }
    }

  private:
    bool shown_;
    int32_t total_;
    bool drawn_ = false;
};

}  // namespace

std::string ProblemText(const tagforge::ImageProblem& problem) {
    return TrIn("TagImage", problem.text, problem.args);
}

CLI::Validator ImageFormatName() {
    return CLI::Validator(
        [](std::string& text) {
            return tagforge::ImageFormatByName(text) ? std::string()
                                                     : "the format is json, bin or csv";
        },
        "json|bin|csv");
}

tagforge::ImageFormat ImageFormatFor(const std::string& path, const std::string& format) {
    return format.empty()
               ? tagforge::ImageFormatOfPath(path)
               : tagforge::ImageFormatByName(format).value_or(tagforge::ImageFormat::kJson);
}

std::optional<tagforge::TagImage> ReadTagImage(int32_t handle, const Target& target,
                                               const ImageReadOptions& options) {
    tagforge::TagImage image;
    image.uid = target.uid;
    image.blockCount = target.geometry.blockCount;
    image.blockSize = target.geometry.blockSize;
    image.time = tagforge::ImageTimeNow();
    // The EM chip's last block cannot be read: it is listed, but not asked for.
    const int32_t count = image.blockCount;
    const bool lastUnreadable =
        count > 0 && !tagforge::BlockIsRead(count - 1, count, target.geometry.icManufacturer);
    const int32_t readable = std::max(count - (lastUnreadable ? 1 : 0), 0);
    if (readable > 0) {
        Progress progress(options.progress && ::isatty(STDERR_FILENO), readable);
        const int32_t flags = options.flags | (options.security ? kOptionFlag : 0);
        const std::optional<BlockData> blocks = ReadBlockRange(
            handle, &target.uid, 0, readable, flags, options.single, std::ref(progress));
        if (!blocks) {
            return std::nullopt;
        }
        // With the option flag a block begins with its security status, where the chip gives
        // one (Infineon's own read does not).
        const size_t size = static_cast<size_t>(std::max(image.blockSize, 0));
        const bool withStatus = options.security && !blocks->empty() &&
                                std::all_of(blocks->begin(), blocks->end(),
                                            [&](const auto& b) { return b.size() == size + 1; });
        if (withStatus) {
            image.lockedBlocks.emplace();
        }
        for (const std::vector<uint8_t>& block : *blocks) {
            if (withStatus) {
                if (block[0] & kLockedStatus) {
                    image.lockedBlocks->push_back(static_cast<int>(image.blocks.size()));
                }
                image.blocks.emplace_back(tagforge::BlockBytes(block.begin() + 1, block.end()));
            } else {
                image.blocks.emplace_back(block);
            }
        }
    }
    if (lastUnreadable) {
        image.blocks.emplace_back();
    }
    return image;
}

std::optional<tagforge::TagImage> LoadImageFile(const std::string& path, const std::string& format,
                                                int binaryBlockSize) {
    std::string bytes;
    if (!tagforge::ReadWholeFile(path, bytes, kMaxImageFile)) {
        std::cerr << path << ": " << std::strerror(errno) << "\n";
        return std::nullopt;
    }
    tagforge::ImageProblem problem;
    std::optional<tagforge::TagImage> image =
        tagforge::ParseImage(bytes, ImageFormatFor(path, format), binaryBlockSize, problem);
    if (!image) {
        std::cerr << path << ": " << ProblemText(problem) << "\n";
    }
    return image;
}

bool SaveImageFile(const tagforge::TagImage& image, const Uid& uid, const std::string& path,
                   const std::string& format) {
    const std::string text = tagforge::ImageFileText(image, ImageFormatFor(path, format),
                                                     tagforge::TransponderTypeText(uid));
    if (tagforge::WriteFileAtomically(path, text)) {
        return true;
    }
    std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor", "%1: nicht geschrieben: %2"),
                    {path, errno == ELOOP
                               ? Tr(QT_TRANSLATE_NOOP("vesmor", "ist ein symbolischer Link"))
                               : std::strerror(errno)})
              << "\n";
    return false;
}

}  // namespace vesmor::cli
