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

std::string SystemLibraryPath(const std::string& fileName, const std::string& /*defaultPath*/) {
    return fileName;
}

}  // namespace vesmor
