#include "app/update/updater.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <cerrno>
#include <system_error>

#include "app/core/reader_connection.h"
#include "app/update/version_check.h"

namespace tagforge::update {

namespace {

constexpr std::chrono::milliseconds kPauseAfterFailure{1000};

QString WithSlash(QString directory) {
    return directory.endsWith('/') ? directory : directory + '/';
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

}  // namespace

QEvent::Type UpdateCheckEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QString ConfiguredVersionFileAddress(const QString& profileFile, const QString& systemFile) {
    for (const QString& file : {profileFile, systemFile}) {
        const QString address =
            QSettings(file, QSettings::IniFormat).value(kUpdateAddressKey).toString().trimmed();
        if (!address.isEmpty()) {
            return address;
        }
    }
    return {};
}

UpdaterConfig DefaultUpdaterConfig() {
    UpdaterConfig config;
    const QString address = qEnvironmentVariable("VESMOR_UPDATE_URL");
    const QString profile = QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                      "Vek Applikationen", "VESMOR Tagforge")
                                .fileName();
    config.versionFileAddress =
        address.isEmpty() ? ConfiguredVersionFileAddress(profile, kSystemUpdateFile) : address;
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
        if (m_download != nullptr) {
            m_download->Cancel();
        }
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

void Updater::CancelDownload() {
    const std::lock_guard lock(m_mutex);
    if (m_download != nullptr) {
        m_download->Cancel();
    }
}

bool Updater::DownloadToFile(const QUrl& address, const QString& path,
                             const DownloadProgress& progress) {
    const QByteArray local = QFile::encodeName(path);
    // Never through a link: a name in a shared directory may be another user's link to a file
    // of ours.
    const int fd =
        ::open(local.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    FetchResult result = FetchResult::kFailed;
    bool written = fd >= 0;
    bool cancelled = false;
    if (fd >= 0) {
        FetchCancel cancel;
        {
            const std::lock_guard lock(m_mutex);
            m_download = &cancel;
        }
        FetchOptions options = Options();
        options.cancel = &cancel;
        options.excludeUserInput = !progress;
        options.progress = progress;
        options.inactivityTimeout = m_config.installerStallTimeout;
        options.overallTimeout = m_config.installerTimeLimit;
        options.maxBytes = m_config.installerMaxBytes;
        if (!m_cancel.Cancelled()) {
            result = Fetch(address, options, [fd, &written](const QByteArray& piece) {
                written = written && WriteAll(fd, piece);
                return written;
            });
        }
        {
            const std::lock_guard lock(m_mutex);
            m_download = nullptr;
        }
        written = ::close(fd) == 0 && written;
        cancelled = cancel.Cancelled();
    }
    if (result == FetchResult::kComplete && written) {
        return true;
    }
    if (fd >= 0) {
        ::unlink(local.constData());
    }
    if (!cancelled) {  // the user who cancelled does not wait
        m_cancel.Pause(kPauseAfterFailure);
    }
    return false;
}

QString Updater::DownloadInstaller(const QString& directory, const DownloadProgress& progress) {
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
    // A directory of its own that nobody else can enter, so no other user can plant a link
    // at the installer's name or swap the file before it is started.
    QByteArray folder =
        QFile::encodeName(WithSlash(directory.isEmpty() ? m_config.temporaryDirectory : directory) +
                          "vesmor-update-XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr) {
        return {};
    }
    const QString path = WithSlash(QFile::decodeName(folder)) + QString::fromStdString(name);
    if (!DownloadToFile(address, path, progress) ||
        ::chmod(QFile::encodeName(path).constData(), 0700) != 0) {
        QDir(QFile::decodeName(folder)).removeRecursively();
        return {};
    }
    return path;
}

}  // namespace tagforge::update
