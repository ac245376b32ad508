#pragma once
// How vesmor-trace prints the texts it receives: each line with the local time its text
// arrived (or the texts with their own line ends with --raw), frame dumps of other ports left
// out when one port is asked for. Control characters other than the line ends are printed as
// visible escapes ("\e]0;..." instead of an escape sequence the terminal would act on).

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

namespace vesmor::tools {

// A longer text is cut; it cannot come from the library's own formats.
constexpr size_t kMaxTextBytes = size_t{1} << 20;

// The port handle of a frame dump (">" or "<", then "(" eight hexadecimal digits ")"); nullopt
// for any other text.
std::optional<uint32_t> FrameDumpHandle(const std::string& text);

// "HH:MM:SS.mmm " in local time.
std::string TimeStamp(const timespec& time);

class TracePrinter {
  public:
    TracePrinter(std::FILE* out, bool raw, std::optional<long long> handle);

    // What Print writes for a text; texts continue each other's lines, so only a text that
    // starts a line gets a time stamp in front (and so does every further line in it).
    std::string Render(const std::string& text, const timespec& arrived);
    void Print(const std::string& text, const timespec& arrived);

  private:
    std::FILE* out_;
    bool raw_;
    std::optional<uint32_t> handle_;
    bool atLineStart_ = true;
};

}  // namespace vesmor::tools
