#pragma once

#include <cstdint>

// The library functions the application uses, behind an interface so that the engine can be
// driven against the real library or a replacement. Arguments and results are those of the
// VESMOR_ functions of the same name.
namespace tagforge {

class ReaderLibrary {
  public:
    virtual ~ReaderLibrary() = default;

    virtual int32_t OpenPort(const char* name, int32_t baud, int32_t timeoutMs) = 0;
    virtual int32_t ClosePort(int32_t handle) = 0;
    virtual int32_t GetVersion(int32_t handle, unsigned char* buffer, int32_t size) = 0;
    virtual int32_t IsProgrammer(int32_t handle) = 0;
    virtual int32_t SetReaderOption(int32_t handle, int32_t value) = 0;
    virtual int32_t GetDeviceName(int32_t handle, char* buffer, int32_t size) = 0;
    virtual int32_t IsUSB(int32_t handle) = 0;
    virtual int32_t IsConnected(int32_t handle) = 0;
    virtual int32_t GetLastError(int32_t handle) = 0;
    virtual int32_t Inventory(int32_t handle, unsigned char* buffer, int32_t size,
                              int32_t flags) = 0;
    virtual int32_t GetTagInfo(int32_t handle, const unsigned char* uid, int32_t uidLength,
                               int32_t* blockCount, int32_t* blockSize, int32_t* icManufacturer,
                               int32_t flags) = 0;
    virtual int32_t ReadBlock(int32_t handle, int32_t block, unsigned char* buffer, int32_t size,
                              const unsigned char* uid, int32_t uidLength, int32_t flags) = 0;
    virtual int32_t ReadBlocks(int32_t handle, int32_t firstBlock, int32_t count,
                               unsigned char* buffer, int32_t size, const unsigned char* uid,
                               int32_t uidLength, int32_t flags) = 0;
    virtual int32_t WriteBlock(int32_t handle, int32_t block, const unsigned char* data,
                               int32_t length, const unsigned char* uid, int32_t uidLength,
                               int32_t flags) = 0;
};

// libvesmor itself.
ReaderLibrary& VesmorLibrary();

}  // namespace tagforge
