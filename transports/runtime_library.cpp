#include "transports/runtime_library.h"

#include <cstdlib>

#include "transports/debug_output.h"

namespace vesmor {

RuntimeLibrary::RuntimeLibrary(std::string fileName, std::string defaultPath,
                               const char* overrideVariable, std::vector<const char*> functionNames)
    : fileName_(std::move(fileName)),
      defaultPath_(std::move(defaultPath)),
      overrideVariable_(overrideVariable),
      names_(std::move(functionNames)),
      functions_(names_.size(), nullptr) {}

RuntimeLibrary::~RuntimeLibrary() {
    Unload();
}

bool RuntimeLibrary::Load() {
    if (handle_ != nullptr) {
        return true;
    }
    std::string path = SystemLibraryPath(fileName_, defaultPath_);
    if (overrideVariable_ != nullptr) {
        const char* chosen = std::getenv(overrideVariable_);
        if (chosen != nullptr && *chosen != '\0') {
            path = chosen;
        }
    }
    handle_ = OpenSharedLibrary(path);
    if (handle_ == nullptr) {
        DebugOutput("Fehler: Kann " + fileName_ + " nicht laden");
        return false;
    }
    for (size_t i = 0; i < names_.size(); ++i) {
        functions_[i] = FindSharedFunction(handle_, names_[i]);
        if (functions_[i] == nullptr) {
            DebugOutput(std::string("Fehler: Kann ") + names_[i] + " nicht initialisieren");
        }
    }
    return true;
}

void RuntimeLibrary::Unload() {
    if (handle_ == nullptr) {
        return;
    }
    CloseSharedLibrary(handle_);
    handle_ = nullptr;
    functions_.assign(names_.size(), nullptr);
}

}  // namespace vesmor
