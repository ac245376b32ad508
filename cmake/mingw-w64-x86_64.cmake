# Cross build for 64-bit Windows with Debian's mingw-w64 (posix-threads variant, so that
# std::thread and std::mutex work): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VESMOR_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VESMOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESMOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VESMOR_MINGW_PREFIX}-windres)

# Libraries and headers of the target come from the mingw sysroot; programs run at build time
# come from the host. Header-only packages of the host (CLI11, nlohmann-json) and the googletest
# sources are found through VESMOR_HOST_HEADERS below.
set(CMAKE_FIND_ROOT_PATH /usr/${VESMOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The toolchain's own runtime (libgcc, libstdc++, winpthread) goes into every .exe and .dll, so
# that they run on a Windows machine without the compiler's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Tests run the programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
