#pragma once

#include <cstdint>
#include <string>

#include "app/core/engine_host.h"
#include "app/core/reader_library.h"

// The connection of the window to one reader: opening and identifying it, the window title that
// names it, and closing it.
namespace tagforge {

// The program version for the title: the build's version, or "1.xx" when that is empty or 20
// characters or longer.
std::string TitleVersion(const std::string& productVersion);
std::string ProductVersion();

struct ConnectionRequest {
    std::string name;  // connection name, ":address" included
    int32_t baud = 19200;
    int32_t timeoutMs = 500;
};

class ReaderConnection {
  public:
    ReaderConnection(ReaderLibrary& library, EngineView& view, std::string baseCaption,
                     std::string version = ProductVersion());
    ReaderConnection(const ReaderConnection&) = delete;
    ReaderConnection& operator=(const ReaderConnection&) = delete;

    // Opens and identifies the reader and names it in the title. Failures are shown as message
    // boxes and leave no open port; the handle then is 0, or the negative result of the open.
    bool Connect(const ConnectionRequest& request);

    // Closes an open port (a failing close is shown as a message box); the handle becomes 0.
    void Close();

    int32_t Handle() const { return m_handle; }
    bool IsOpen() const { return m_handle > 0; }
    const std::string& Title() const { return m_title; }

  private:
    void ShowLibraryError(int32_t handle);
    void Refuse(int messageId);
    std::string DeviceText(const std::string& connectionName);
    void SetTitle(const std::string& inBrackets);

    ReaderLibrary& m_library;
    EngineView& m_view;
    std::string m_baseCaption;
    std::string m_version;
    std::string m_title;
    int32_t m_handle = 0;
};

}  // namespace tagforge
