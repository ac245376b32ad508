// ISO 15693 transponder operations (not yet available: each fails with error 24).

#include "library/include/vesmor.h"
#include "library/sdk_app.h"

using vesmor::CVESMOR_SDKApp;

namespace {

int32_t NotAvailable(int32_t handle) {
    if (auto port = CVESMOR_SDKApp::Instance().FindPort(handle)) {
        port->SetLastError(VESMOR_ERR_UNKNOWN_COMMAND);
    }
    return -1;
}

}  // namespace

extern "C" {

int32_t VESMOR_GetTagInfo(int32_t handle, const unsigned char*, int32_t, int32_t*, int32_t*,
                          int32_t*, int32_t) {
    return NotAvailable(handle);
}

int32_t VESMOR_Inventory(int32_t handle, unsigned char*, int32_t, int32_t) {
    return NotAvailable(handle);
}

int32_t VESMOR_ReadBlock(int32_t handle, int32_t, unsigned char*, int32_t, const unsigned char*,
                         int32_t, int32_t) {
    return NotAvailable(handle);
}

int32_t VESMOR_WriteBlock(int32_t handle, int32_t, const unsigned char*, int32_t,
                          const unsigned char*, int32_t, int32_t) {
    return NotAvailable(handle);
}

}  // extern "C"
