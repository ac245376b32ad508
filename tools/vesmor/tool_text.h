#pragma once
// The tool's own texts in the language chosen with --lang (German unless "--lang en").

#include <QtGlobal>  // QT_TRANSLATE_NOOP marks a text for the translation
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace vesmor::cli {

// `german` (written as QT_TRANSLATE_NOOP("vesmor", "...")) in the chosen language, with "%1",
// "%2", ... replaced by `args` in order.
std::string Tr(const char* german, const std::vector<std::string>& args = {});
// The same for a text of another translation context (e.g. the image format's "TagImage").
std::string TrIn(const char* context, const std::string& german,
                 const std::vector<std::string>& args = {});

// Adds --lang de|en: the language of the messages (those of the window's message table and the
// tool's own). English needs VESMOR_TagforgeEng.qm beside the program or in its share
// directory; without it the tool says so once and stays German.
void AddLanguageOption(CLI::App& app);

}  // namespace vesmor::cli
