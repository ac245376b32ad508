#include <windows.h>

#include "transports/runtime_library.h"

namespace vesmor {

void* OpenSharedLibrary(const std::string& path) {
    return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
}

void* FindSharedFunction(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseSharedLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

void* HoldLibraryOf(const void* function) {
    HMODULE module = nullptr;
    if (function == nullptr || !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                                   static_cast<LPCSTR>(function), &module)) {
        return nullptr;
    }
    return reinterpret_cast<void*>(module);
}

std::string SystemLibraryPath(const std::string& fileName, const std::string& /*defaultPath*/) {
    return fileName;
}

}  // namespace vesmor
