#include "tools/common/printable_text.h"

#include <cstdio>

namespace vesmor::tools {

namespace {

void AppendEscape(std::string& out, unsigned char byte) {
    switch (byte) {
        case '\r':
            out += "\\r";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\t':
            out += "\\t";
            return;
        case 0x1B:
            out += "\\e";
            return;
        default: {
            char escape[5];
            (void)std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        }
    }
}

}  // namespace

std::string Printable(std::string_view text, LineEnds lineEnds) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool keep = lineEnds == LineEnds::kKeep &&
                          (byte == '\n' || byte == '\t' ||
                           (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n'));
        if (keep || (byte >= 0x20 && byte != 0x7F && byte != 0xC2)) {
            out += text[i];
            continue;
        }
        if (byte == 0xC2) {
            // U+0080..U+009F: a C1 control a terminal may act on (CSI, OSC ...).
            const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
            if (next >= 0x80 && next <= 0x9F) {
                AppendEscape(out, byte);
                AppendEscape(out, next);
                ++i;
            } else {
                out += text[i];
            }
            continue;
        }
        AppendEscape(out, byte);
    }
    return out;
}

}  // namespace vesmor::tools
