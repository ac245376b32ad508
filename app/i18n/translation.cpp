#include "app/i18n/translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <map>
#include <mutex>
#include <string>

#include "common/messages.h"

namespace tagforge::i18n {

namespace {

constexpr const char* kMessageContext = "Messages";

// The texts handed out stay in this map until the next TranslateMessages, so the pointers the
// message table returns remain valid for as long as the language is unchanged.
struct MessageCache {
    std::mutex mutex;
    const QTranslator* translator = nullptr;
    std::map<int, std::string> texts;
};

MessageCache& Cache() {
    static MessageCache cache;
    return cache;
}

QString TranslateWith(const QTranslator* translator, const char* context, const char* source) {
    QString text = translator != nullptr ? translator->translate(context, source)
                                         : QCoreApplication::translate(context, source);
    return text.isEmpty() ? QString::fromUtf8(source) : text;
}

const char* TranslateMessage(int id, const char* german) {
    MessageCache& cache = Cache();
    const std::lock_guard lock(cache.mutex);
    if (const auto found = cache.texts.find(id); found != cache.texts.end()) {
        return found->second.c_str();
    }
    const QString text = TranslateWith(cache.translator, kMessageContext, german);
    return cache.texts.emplace(id, text.toStdString()).first->second.c_str();
}

}  // namespace

QStringList DataDirectories(const QString& programDirectory) {
    const QDir program(programDirectory);
    return {program.absolutePath(),
            QDir::cleanPath(program.absoluteFilePath("../share/vesmor-tagforge"))};
}

bool LoadEnglish(QTranslator& translator, const QStringList& directories) {
    for (const QString& directory : directories) {
        const QString file = QDir(directory).filePath(QString(kEnglishTranslation) + ".qm");
        if (QFileInfo::exists(file) && translator.load(file)) {
            return true;
        }
    }
    return false;
}

QString Translate(const char* context, const char* source) {
    MessageCache& cache = Cache();
    const QTranslator* translator = nullptr;
    {
        const std::lock_guard lock(cache.mutex);
        translator = cache.translator;
    }
    return TranslateWith(translator, context, source);
}

void TranslateMessages(const QTranslator* translator) {
    MessageCache& cache = Cache();
    {
        const std::lock_guard lock(cache.mutex);
        cache.translator = translator;
        cache.texts.clear();
    }
    SetMessageTranslator(&TranslateMessage);
}

}  // namespace tagforge::i18n
