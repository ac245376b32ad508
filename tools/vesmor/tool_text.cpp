#include "tools/vesmor/tool_text.h"

#include <unistd.h>

#include <QString>
#include <QTranslator>
#include <iostream>

#include "app/i18n/translation.h"
#include "common/messages.h"

namespace vesmor::cli {

namespace {

// The directory of the running program (/proc/self/exe), where the translation lies beside it.
QString ProgramDirectory() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    const QString program = QString::fromLocal8Bit(path, static_cast<qsizetype>(length));
    return program.left(program.lastIndexOf('/') + 1);
}

void SelectLanguage(const std::string& language) {
    if (language != "en") {
        tagforge::i18n::TranslateMessages(nullptr);
        return;
    }
    static QTranslator english;
    if (!tagforge::i18n::LoadEnglish(english,
                                     tagforge::i18n::DataDirectories(ProgramDirectory()))) {
        std::cerr << "vesmor: no English texts (" << tagforge::i18n::kEnglishTranslation
                  << ".qm is neither beside the program nor in ../share/vesmor-tagforge); "
                     "messages stay German\n";
        return;
    }
    tagforge::i18n::TranslateMessages(&english);
}

}  // namespace

std::string Tr(const char* german, const std::vector<std::string>& args) {
    return tagforge::FillArgs(tagforge::i18n::Translate("vesmor", german).toStdString(), args);
}

std::string TrIn(const char* context, const std::string& german,
                 const std::vector<std::string>& args) {
    return tagforge::FillArgs(tagforge::i18n::Translate(context, german.c_str()).toStdString(),
                              args);
}

void AddLanguageOption(CLI::App& app) {
    app.add_option_function<std::string>("--lang", SelectLanguage,
                                         "language of the messages: de (default) or en")
        ->check(CLI::IsMember({"de", "en"}));
}

}  // namespace vesmor::cli
