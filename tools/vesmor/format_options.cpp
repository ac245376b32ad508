#include "tools/vesmor/format_options.h"

#include <iostream>

#include "app/core/format_layout.h"
#include "common/messages.h"

namespace vesmor::cli {

bool ApplyFormatRule(const CLI::App& command, const std::string& jobFile,
                     const tagforge::WriteJob& fromJob, tagforge::WriteJob& job) {
    if (!tagforge::IsMultiLineFormat(job.Datenformat)) {
        return true;
    }
    struct Option {
        const char* name;
        const char* key;
        bool fromFile;
        bool& value;
    };
    const Option options[] = {
        {"--increment", "AutoIncrement", fromJob.AutoIncrement, job.AutoIncrement},
        {"--zeros", "AutoNull", fromJob.AutoNull, job.AutoNull},
        {"--affix", "PrefixZulassen", fromJob.PrefixZulassen, job.PrefixZulassen},
    };
    const std::string format = std::to_string(job.Datenformat);
    for (const Option& option : options) {
        if (command.count(option.name) > 0) {
            std::cerr << tagforge::MessageWithArgs(tagforge::kMsgOptionNotInFormat,
                                                   {option.name, format})
                      << "\n";
            return false;
        }
    }
    for (const Option& option : options) {
        if (option.fromFile && option.value) {
            std::cerr << tagforge::MessageWithArgs(tagforge::kMsgJobKeyNotInFormat,
                                                   {option.key, jobFile, format})
                      << "\n";
            option.value = false;
        }
    }
    return true;
}

}  // namespace vesmor::cli
