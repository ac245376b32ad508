// The VESMOR_ transponder functions: look up the port, then the transponder commands.

#include <exception>

#include "library/include/vesmor.h"
#include "library/sdk_app.h"
#include "library/transponder.h"

using vesmor::CVESMOR_SDKApp;
using vesmor::GivenUid;
using vesmor::TransponderCommands;

namespace {

template <class Body>
int32_t OnPort(int32_t handle, Body body) {
    try {
        auto port = CVESMOR_SDKApp::Instance().FindPort(handle);
        if (!port) {
            return -1;
        }
        TransponderCommands commands(*port);
        return body(commands);
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace

extern "C" {

int32_t VESMOR_GetTagInfo(int32_t handle, const unsigned char* uid, int32_t uidLength,
                          int32_t* blockCount, int32_t* blockSize, int32_t* icManufacturer,
                          int32_t flags) {
    return OnPort(handle, [&](TransponderCommands& c) {
        return c.GetTagInfo(GivenUid(uid, uidLength), blockCount, blockSize, icManufacturer, flags);
    });
}

int32_t VESMOR_Inventory(int32_t handle, unsigned char* buffer, int32_t size, int32_t flags) {
    return OnPort(handle, [&](TransponderCommands& c) { return c.Inventory(buffer, size, flags); });
}

int32_t VESMOR_ReadBlock(int32_t handle, int32_t block, unsigned char* buffer, int32_t size,
                         const unsigned char* uid, int32_t uidLength, int32_t flags) {
    return OnPort(handle, [&](TransponderCommands& c) {
        return c.ReadBlock(block, buffer, size, GivenUid(uid, uidLength), flags);
    });
}

int32_t VESMOR_ReadBlocks(int32_t handle, int32_t firstBlock, int32_t count, unsigned char* buffer,
                          int32_t size, const unsigned char* uid, int32_t uidLength,
                          int32_t flags) {
    return OnPort(handle, [&](TransponderCommands& c) {
        return c.ReadBlocks(firstBlock, count, buffer, size, GivenUid(uid, uidLength), flags);
    });
}

int32_t VESMOR_WriteBlock(int32_t handle, int32_t block, const unsigned char* data, int32_t length,
                          const unsigned char* uid, int32_t uidLength, int32_t flags) {
    return OnPort(handle, [&](TransponderCommands& c) {
        return c.WriteBlock(block, data, length, GivenUid(uid, uidLength), flags);
    });
}

}  // extern "C"
