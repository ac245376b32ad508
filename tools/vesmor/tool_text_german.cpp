// The tool's texts without Qt's translation files: German only. --lang en is accepted, so that
// scripts written for the Linux tool run unchanged, and says once that the texts stay German.

#include <iostream>

#include "common/messages.h"
#include "tools/vesmor/tool_text.h"

namespace vesmor::cli {

std::string Tr(const char* german, const std::vector<std::string>& args) {
    return tagforge::FillArgs(german, args);
}

std::string TrIn(const char* /*context*/, const std::string& german,
                 const std::vector<std::string>& args) {
    return tagforge::FillArgs(german, args);
}

void AddLanguageOption(CLI::App& app) {
    app.add_option_function<std::string>(
           "--lang",
           [](const std::string& language) {
               if (language == "en") {
                   std::cerr << "vesmor: this build has German texts only; messages stay German\n";
               }
           },
           "language of the messages: de (default; this build has German only)")
        ->check(CLI::IsMember({"de", "en"}));
}

}  // namespace vesmor::cli
