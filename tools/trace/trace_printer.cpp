#include "tools/trace/trace_printer.h"

#include <cctype>

#include "tools/common/printable_text.h"

namespace vesmor::tools {

std::optional<uint32_t> FrameDumpHandle(const std::string& text) {
    constexpr size_t kDigits = 8;
    if (text.size() < kDigits + 3 || (text[0] != '>' && text[0] != '<') || text[1] != '(' ||
        text[kDigits + 2] != ')') {
        return std::nullopt;
    }
    uint32_t handle = 0;
    for (size_t i = 2; i < kDigits + 2; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (std::isxdigit(c) == 0) {
            return std::nullopt;
        }
        handle = handle * 16 +
                 static_cast<uint32_t>(std::isdigit(c) != 0 ? c - '0' : std::tolower(c) - 'a' + 10);
    }
    return handle;
}

std::string TimeStamp(const timespec& time) {
    std::tm local{};
    ::localtime_r(&time.tv_sec, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03ld ", local.tm_hour, local.tm_min,
                  local.tm_sec, time.tv_nsec / 1'000'000);
    return stamp;
}

TracePrinter::TracePrinter(std::FILE* out, bool raw, std::optional<long long> handle)
    : out_(out), raw_(raw) {
    if (handle) {
        handle_ = static_cast<uint32_t>(*handle);
    }
}

std::string TracePrinter::Render(const std::string& text, const timespec& arrived) {
    if (handle_) {
        const std::optional<uint32_t> dumped = FrameDumpHandle(text);
        if (dumped && *dumped != *handle_) {
            return {};
        }
    }
    // Anyone on this machine can send to the channel: no control character reaches the
    // terminal as such, only the line ends do.
    const std::string shown = Printable(text, LineEnds::kKeep);
    if (raw_) {
        return shown;
    }
    std::string printed;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '\r') {
            continue;  // "\r\n" (a lone one is escaped): one line end on the terminal and in a file
        }
        if (atLineStart_) {
            printed += TimeStamp(arrived);
        }
        printed += shown[i];
        atLineStart_ = shown[i] == '\n';
    }
    return printed;
}

void TracePrinter::Print(const std::string& text, const timespec& arrived) {
    const std::string printed = Render(text, arrived);
    std::fwrite(printed.data(), 1, printed.size(), out_);
    std::fflush(out_);
}

}  // namespace vesmor::tools
