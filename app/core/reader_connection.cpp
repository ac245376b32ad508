#include "app/core/reader_connection.h"

#include <cstring>

#include "app/core/reader_text.h"
#include "common/messages.h"

#ifndef TAGFORGE_PRODUCT_VERSION
#define TAGFORGE_PRODUCT_VERSION ""
#endif

namespace tagforge {

namespace {

constexpr int32_t kVersionBytes = 4;
constexpr int32_t kDeviceNameBytes = 30;

}  // namespace

std::string TitleVersion(const std::string& productVersion) {
    constexpr size_t kTooLong = 20;
    return productVersion.empty() || productVersion.size() >= kTooLong ? "1.xx" : productVersion;
}

std::string ProductVersion() {
    return TAGFORGE_PRODUCT_VERSION;
}

ReaderConnection::ReaderConnection(ReaderLibrary& library, EngineView& view,
                                   std::string baseCaption, std::string version)
    : m_library(library),
      m_view(view),
      m_baseCaption(std::move(baseCaption)),
      m_version(TitleVersion(version)) {}

bool ReaderConnection::Connect(const ConnectionRequest& request) {
    SetTitle("");
    m_handle = m_library.OpenPort(request.name.c_str(), request.baud, request.timeoutMs);
    if (m_handle < 0) {
        ShowLibraryError(m_handle);
        return false;
    }
    unsigned char version[kVersionBytes] = {};
    if (m_library.GetVersion(m_handle, version, kVersionBytes) == -1) {
        Refuse(kMsgNoReaderAtPort);
        return false;
    }
    const std::string firmware = FirmwareText(version[3]);
    if (m_library.IsProgrammer(m_handle) == 0) {
        Refuse(kMsgReaderOnly);
        return false;
    }
    m_library.SetReaderOption(m_handle, 0);
    SetTitle(DeviceText(request.name) + "  " + firmware);
    return true;
}

void ReaderConnection::Close() {
    if (m_handle > 0 && m_library.ClosePort(m_handle) == -1) {
        ShowLibraryError(m_handle);
    }
    m_handle = 0;
}

void ReaderConnection::ShowLibraryError(int32_t handle) {
    m_view.ShowMessageBox(ErrorCodeMessage(m_library.GetLastError(handle)));
}

void ReaderConnection::Refuse(int messageId) {
    m_library.ClosePort(m_handle);
    m_handle = 0;
    m_view.ShowMessageBox(MessageText(messageId));
}

std::string ReaderConnection::DeviceText(const std::string& connectionName) {
    char name[kDeviceNameBytes] = {};
    const bool named = m_library.GetDeviceName(m_handle, name, kDeviceNameBytes) >= 1;
    std::string text = named ? std::string(name, strnlen(name, sizeof name)) : "---";
    text += " ";
    if (m_library.IsUSB(m_handle) != 0) {
        text += "USB:";
    }
    return text + connectionName;
}

void ReaderConnection::SetTitle(const std::string& inBrackets) {
    m_title = m_baseCaption + " V" + m_version + " <" + inBrackets + ">";
    m_view.SetTitle(m_title);
}

}  // namespace tagforge
