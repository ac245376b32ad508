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

std::string SystemLibraryPath(const std::string& /*fileName*/, const std::string& defaultPath) {
    return defaultPath;
}

}  // namespace vesmor
