#include "app/ui/help.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>

#include "app/ui/user_prompts.h"
#include "periphery/ui/window_text.h"

namespace tagforge::ui {

QString FindManual(const QStringList& directories, const QString& preferred) {
    for (const QString& path : directories) {
        const QDir directory(path);
        const QStringList manuals =
            directory.entryList({"*.pdf"}, QDir::Files | QDir::Readable, QDir::Name);
        if (manuals.isEmpty()) {
            continue;
        }
        return directory.filePath(manuals.contains(preferred) ? preferred : manuals.first());
    }
    return {};
}

QString HelpFailureText(int error) {
    switch (error) {
        case ENOMEM:
        case ENFILE:
        case EMFILE:
            return MessageQ(kMsgNoResources);
        case kNoPdfViewer:
            return MessageQ(kMsgNeedPdfReader);
        default:
            return MessageQ(kMsgHelpUnknownError).replace("%d", QString::number(error));
    }
}

int OpenManual(const QString& manual) {
    // The viewer is another program: a file this one cannot open is reported here, with its
    // reason, rather than as a viewer that shows nothing.
    const int fd = ::open(QFile::encodeName(manual).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    ::close(fd);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(manual)) ? 0 : kNoPdfViewer;
}

void ShowHelp(QWidget* parent, UiPrompts& prompts, const QStringList& directories,
              const QString& preferred) {
    const QString manual = FindManual(directories, preferred);
    if (manual.isEmpty()) {
        return;
    }
    if (const int error = OpenManual(manual); error != 0) {
        prompts.Message(parent, HelpFailureText(error));
    }
}

}  // namespace tagforge::ui
