#include "app/update/updater.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <system_error>

#include "app/core/reader_connection.h"
#include "app/update/version_check.h"

namespace tagforge::update {

namespace {

constexpr std::chrono::milliseconds kPauseAfterFailure{1000};

QString WithSlash(QString directory) {
    return directory.endsWith('/') ? directory : directory + '/';
}

}  // namespace

QEvent::Type UpdateCheckEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

UpdaterConfig DefaultUpdaterConfig() {
    UpdaterConfig config;
    const QString address = qEnvironmentVariable("VESMOR_UPDATE_URL");
    config.versionFileAddress = address.isEmpty() ? kDefaultVersionFileAddress : address;
    config.caFile = qEnvironmentVariable("VESMOR_UPDATE_CA");
    config.ownVersionResource = ProductVersion();
    config.ownBuild = FileDate("/proc/self/exe");
    config.temporaryDirectory = QDir::tempPath();
    return config;
}

Updater::Updater(UpdaterConfig config) : m_config(std::move(config)) {}

Updater::~Updater() {
    Shutdown();
}

Updater& Updater::Instance() {
    static Updater updater(DefaultUpdaterConfig());
    // The worker uses Qt's event loop: it ends while the application object still exists.
    static const bool stopsWithTheApplication = [] {
        qAddPostRoutine([] { Instance().Shutdown(); });
        return true;
    }();
    (void)stopsWithTheApplication;
    return updater;
}

void Updater::Shutdown() {
    m_cancel.Cancel();
    std::thread thread;
    {
        const std::lock_guard lock(m_mutex);
        if (m_worker) {
            thread = std::move(m_worker->thread);
        }
    }
    if (thread.joinable()) {
        thread.join();
    }
}

bool Updater::StartUpdateCheck(QObject* window, unsigned message) {
    const std::lock_guard lock(m_mutex);
    m_notifyWindow = window;
    m_notifyMessage = message;
    if (!m_worker) {
        m_worker = std::make_unique<Worker>();
        m_worker->busy = true;
        try {
            m_worker->thread = std::thread([this] { WorkerProcedure(); });
        } catch (const std::system_error&) {
            m_worker.reset();
            return false;
        }
        return true;
    }
    if (!m_worker->busy && m_worker->done && window != nullptr && message != 0) {
        PostCompletion();
    }
    return true;
}

void Updater::ForgetWindow(const QObject* window) {
    const std::lock_guard lock(m_mutex);
    if (m_notifyWindow == window) {
        m_notifyWindow = nullptr;
    }
}

void Updater::PostCompletion() {
    if (m_notifyWindow != nullptr) {
        QCoreApplication::postEvent(m_notifyWindow, new UpdateCheckEvent(m_notifyMessage));
    }
}

void Updater::WorkerProcedure() {
    const QString address = m_config.versionFileAddress;
    std::string text = address.isEmpty() ? std::string{} : DownloadText(QUrl(address));
    const std::lock_guard lock(m_mutex);
    m_text = std::move(text);
    PostCompletion();
    m_worker->busy = false;
    m_worker->done = true;
}

FetchOptions Updater::Options() const {
    FetchOptions options;
    options.caFile = m_config.caFile;
    options.cancel = &m_cancel;
    return options;
}

bool Updater::GetPublishedVersion(std::string& version, std::string& build) const {
    std::optional<PublishedVersion> published;
    {
        const std::lock_guard lock(m_mutex);
        published = ParseVersionFile(m_text);
    }
    version = published ? published->version : std::string{};
    build = published ? published->build : std::string{};
    return published.has_value();
}

bool Updater::IsUpdateAvailable() const {
    std::string version;
    std::string build;
    GetPublishedVersion(version, build);
    return update::IsUpdateAvailable(GetOwnVersion(), GetOwnBuild(), version, build);
}

std::string Updater::GetOwnVersion() const {
    return OwnVersionText(m_config.ownVersionResource);
}

std::string Updater::GetOwnBuild() const {
    return m_config.ownBuild;
}

std::string Updater::DownloadText(const QUrl& address) {
    std::string text;
    bool ended = false;  // a zero byte or the size limit: what came before is the text
    const FetchResult result = Fetch(address, Options(), [&](const QByteArray& piece) {
        const qsizetype zero = piece.indexOf('\0');
        text.append(piece.constData(), zero < 0 ? piece.size() : zero);
        if (zero >= 0 || text.size() > kMaxVersionFileBytes) {
            text.resize(std::min(text.size(), kMaxVersionFileBytes + 1));
            ended = true;
        }
        return !ended;
    });
    if (result == FetchResult::kComplete || result == FetchResult::kServerError ||
        (result == FetchResult::kStopped && ended)) {
        return text;
    }
    // A partial version file is no version file.
    m_cancel.Pause(kPauseAfterFailure);
    return {};
}

bool Updater::DownloadToFile(const QUrl& address, const QString& path) {
    QSaveFile file(path);
    FetchResult result = FetchResult::kFailed;
    if (file.open(QIODevice::WriteOnly)) {
        FetchOptions options = Options();
        options.excludeUserInput = true;
        result = Fetch(address, options, [&file](const QByteArray& piece) {
            return file.write(piece) == piece.size();
        });
    }
    if (result == FetchResult::kComplete && file.commit()) {
        return true;
    }
    file.cancelWriting();
    QFile::remove(path);
    m_cancel.Pause(kPauseAfterFailure);
    return false;
}

QString Updater::DownloadInstaller(const QString& directory) {
    std::string installer;
    {
        const std::lock_guard lock(m_mutex);
        const std::optional<PublishedVersion> published = ParseVersionFile(m_text);
        installer = published ? published->installer : std::string{};
    }
    const std::string name = InstallerFileName(installer);
    if (installer.empty() || name.empty()) {
        return {};
    }
    const QUrl address =
        QUrl(m_config.versionFileAddress).resolved(QUrl(QString::fromStdString(installer)));
    const QString path = WithSlash(directory.isEmpty() ? m_config.temporaryDirectory : directory) +
                         QString::fromStdString(name);
    if (!DownloadToFile(address, path)) {
        return {};
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    return path;
}

}  // namespace tagforge::update
