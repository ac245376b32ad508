#pragma once
// A vendor library reached through a function table filled at run time, so that the program
// starts and runs without it. The table is an array of untyped pointers in the order of a name
// list; the typed wrappers of each library cast them back.
//
// Load() does nothing when the library is loaded already; when it fails the table stays empty
// and the next call tries again. Every missing library or function is reported on the debug
// channel: "Fehler: Kann <file> nicht laden" and "Fehler: Kann <function> nicht initialisieren",
// with the library's file name on this platform (libftd2xx.so, not Ftd2xx.dll).

#include <cstddef>
#include <string>
#include <vector>

namespace vesmor {

// The system's loader: dlopen, dlsym and dlclose on POSIX; LoadLibraryA, GetProcAddress and
// FreeLibrary on Windows.
void* OpenSharedLibrary(const std::string& path);
void* FindSharedFunction(void* library, const char* name);
void CloseSharedLibrary(void* library);
// A reference of its own to the loaded library that holds `function`, so that it stays mapped
// while a thread still runs its code (released with CloseSharedLibrary); nullptr when none.
void* HoldLibraryOf(const void* function);
// What the loader is given for a library: its Windows file name (Ftd2xx.dll) on Windows, the
// POSIX shared object (libftd2xx.so) elsewhere.
std::string SystemLibraryPath(const std::string& fileName, const std::string& defaultPath);

class RuntimeLibrary {
  public:
    // fileName: the name the diagnostics use and the Windows loader is given; defaultPath:
    // what dlopen is given. The environment variable overrideVariable may name another file.
    RuntimeLibrary(std::string fileName, std::string defaultPath, const char* overrideVariable,
                   std::vector<const char*> functionNames);
    ~RuntimeLibrary();
    RuntimeLibrary(const RuntimeLibrary&) = delete;
    RuntimeLibrary& operator=(const RuntimeLibrary&) = delete;

    // Loads the library and takes every function it finds; returns whether it is loaded.
    bool Load();
    // Releases the library and clears the table.
    void Unload();
    bool IsLoaded() const { return handle_ != nullptr; }

    // The function at position index of the name list, or nullptr.
    void* Function(size_t index) const {
        return index < functions_.size() ? functions_[index] : nullptr;
    }
    template <typename F>
    F As(size_t index) const {
        return reinterpret_cast<F>(Function(index));
    }

  private:
    std::string fileName_;
    std::string defaultPath_;
    const char* overrideVariable_;
    std::vector<const char*> names_;
    std::vector<void*> functions_;
    void* handle_ = nullptr;
};

}  // namespace vesmor
