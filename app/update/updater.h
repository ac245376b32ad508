#pragma once
// The update check: one updater for the whole process. The first About window starts a worker
// thread that fetches the version file once; every About window (the first, and any later one
// in the same run) receives an UpdateCheckEvent when the text is there, and asks the updater
// what it says. A window that closes is forgotten first, so it never receives the event.

#include <QEvent>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/update/fetch.h"

namespace tagforge::update {

// Where the version file's address is configured (no address is built in: without one the
// About window says that no update server is configured and nothing is fetched): the key
// "UpdateAdresse" of section "Version" in the user's profile, else in the system-wide file the
// package installs (empty there by default). VESMOR_UPDATE_URL overrides both.
inline constexpr const char* kUpdateAddressKey = "Version/UpdateAdresse";
inline constexpr const char* kSystemUpdateFile = "/etc/vesmor-tagforge/update.conf";

// The configured address: the profile file's key when not empty, else the system file's; empty
// when neither names one.
QString ConfiguredVersionFileAddress(const QString& profileFile, const QString& systemFile);

// The completion message number the About window asks for.
inline constexpr unsigned kUpdateCheckMessage = 1034;

struct UpdaterConfig {
    QString versionFileAddress;  // empty: nothing is fetched
    QString caFile;              // extra trusted certificates (PEM), empty for none
    std::optional<std::string> ownVersionResource;  // the product version compiled in
    std::string ownBuild;                           // the program file's date, "%Y-%m-%d"
    QString temporaryDirectory;  // where the installer's private download directory is made
    // Limits of the installer download: no byte for the stall time-out, not complete within the
    // overall limit, or larger than the size limit → the download fails.
    std::chrono::milliseconds installerStallTimeout{30000};
    std::chrono::milliseconds installerTimeLimit{std::chrono::minutes(30)};
    qint64 installerMaxBytes = qint64{512} << 20;
};

// Told the bytes of a download received so far and its announced size (-1 when unknown).
using DownloadProgress = std::function<void(qint64 received, qint64 total)>;

// VESMOR_UPDATE_URL (or the configured address), VESMOR_UPDATE_CA, the product version, the
// date of the running program file, QDir::tempPath().
UpdaterConfig DefaultUpdaterConfig();

// Posted to the notify window when the version file text is there (or could not be fetched).
class UpdateCheckEvent final : public QEvent {
  public:
    explicit UpdateCheckEvent(unsigned message) : QEvent(EventType()), m_message(message) {}
    static QEvent::Type EventType();
    unsigned Message() const { return m_message; }

  private:
    unsigned m_message;
};

class Updater {
  public:
    explicit Updater(UpdaterConfig config);
    // Ends a running fetch and waits for the worker.
    ~Updater();
    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    // The process-wide updater; its worker is stopped when the application object ends.
    static Updater& Instance();

    // Stores the window and message, then starts the fetch (first call) or posts the result at
    // once (fetch done). False when the worker thread could not be started.
    bool StartUpdateCheck(QObject* window, unsigned message);
    // Whether a version file address is configured at all.
    bool HasUpdateServer() const { return !m_config.versionFileAddress.isEmpty(); }
    // The window will not be notified (it closes).
    void ForgetWindow(const QObject* window);

    // False (both empty) without version file text; else the program section's "Version" and
    // "Build" (empty when missing).
    bool GetPublishedVersion(std::string& version, std::string& build) const;
    bool IsUpdateAvailable() const;
    std::string GetOwnVersion() const;
    std::string GetOwnBuild() const;

    // The text at `address`, cut at its first zero byte and after kMaxVersionFileBytes + 1
    // bytes; empty (after a second's pause) when the transfer failed.
    std::string DownloadText(const QUrl& address);
    // True when `path` got every byte within the installer limits; otherwise no file is left at
    // `path`. The file is opened without following a link. Blocks the calling thread while it
    // runs: user input is excluded unless `progress` is given (the caller then offers a way to
    // CancelDownload and keeps the rest of its window disabled).
    bool DownloadToFile(const QUrl& address, const QString& path,
                        const DownloadProgress& progress = {});
    // Downloads the program section's "Installer" (relative addresses count from the version
    // file's) into a new private directory (mode 0700, made with mkdtemp) in `directory`
    // (default: the temporary directory) and makes it executable. The local path, or empty;
    // after a failed download the private directory is removed again.
    QString DownloadInstaller(const QString& directory = {}, const DownloadProgress& progress = {});
    // Ends a running DownloadToFile, which then fails.
    void CancelDownload();

    // Stops a running fetch and waits for the worker thread.
    void Shutdown();

  private:
    struct Worker {
        std::thread thread;
        bool busy = false;
        bool done = false;
    };

    void WorkerProcedure();
    void PostCompletion();  // m_mutex held
    FetchOptions Options() const;

    const UpdaterConfig m_config;
    mutable std::mutex m_mutex;
    std::unique_ptr<Worker> m_worker;
    std::string m_text;
    QObject* m_notifyWindow = nullptr;
    unsigned m_notifyMessage = 0;
    mutable FetchCancel m_cancel;
    FetchCancel* m_download = nullptr;  // the running DownloadToFile's; m_mutex guards it
};

}  // namespace tagforge::update
