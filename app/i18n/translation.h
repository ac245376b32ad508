#pragma once
// The English translation VESMOR_TagforgeEng.qm: where it is looked for, loading it, and
// routing the message table of app/core through it.
//
// Every text the program shows has its German text in the sources (the message table, the .ui
// layouts, tr()/translate() calls) and its English text in VESMOR_TagforgeEng.ts beside this
// file; the build turns that file into the .qm.

#include <QString>
#include <QStringList>
#include <QTranslator>

namespace tagforge::i18n {

// Base name of the translation file.
inline constexpr const char* kEnglishTranslation = "VESMOR_TagforgeEng";

// Where a program in `programDirectory` looks for the files shipped with it (the translation,
// the manuals): beside itself, then in its share directory (../share/vesmor-tagforge/, where
// an installed program has them).
QStringList DataDirectories(const QString& programDirectory);

// Loads the English translation from the first of `directories` that has it.
bool LoadEnglish(QTranslator& translator, const QStringList& directories);

// From now on the message table gives its texts through `translator`, or, when it is null,
// through the translators installed in the application. Drops the texts looked up before, so
// call it again after the language has changed.
void TranslateMessages(const QTranslator* translator);

// `source` of `context` in the language the message table is translated into (see
// TranslateMessages); the source itself when there is no translation.
QString Translate(const char* context, const char* source);

}  // namespace tagforge::i18n
