#include <dlfcn.h>

#include "transports/runtime_library.h"

namespace vesmor {

void* OpenSharedLibrary(const std::string& path) {
    return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindSharedFunction(void* library, const char* name) {
    return ::dlsym(library, name);
}

void CloseSharedLibrary(void* library) {
    ::dlclose(library);
}

void* HoldLibraryOf(const void* function) {
    Dl_info info{};
    if (function == nullptr || ::dladdr(function, &info) == 0 || info.dli_fname == nullptr) {
        return nullptr;
    }
    return ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

std::string SystemLibraryPath(const std::string& /*fileName*/, const std::string& defaultPath) {
    return defaultPath;
}

}  // namespace vesmor
