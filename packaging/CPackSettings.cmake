# The .debs: `./build.sh package` makes one per install component (packaging/CMakeLists.txt).
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL libvesmor1 libvesmor-dev vesmor-tagforge python3-vesmor)
set(CPACK_PACKAGE_NAME vesmor-tagforge)
set(CPACK_PACKAGE_VENDOR "VESMOR")
set(CPACK_PACKAGE_CONTACT "VESMOR Tagforge <tagforge@vesmor.example>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SOURCE vesmor-tagforge)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vesmor.example/tagforge")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# The programs link libvesmor.so.1 of the libvesmor1 package built beside them: dpkg-shlibdeps
# takes it as a private library, and the dependency on libvesmor1 is stated below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/library)
set(vesmor_exact "(= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_LIBVESMOR1_PACKAGE_NAME libvesmor1)
set(CPACK_DEBIAN_LIBVESMOR1_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBVESMOR1_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)  # only libvesmor1 holds a shared library
set(CPACK_DEBIAN_LIBVESMOR1_PACKAGE_RECOMMENDS "libhidapi-hidraw0")
# The library cache is updated by dpkg's ldconfig trigger; the maintainer scripts do nothing
# (without them CPack would write ones that call ldconfig).
set(CPACK_DEBIAN_LIBVESMOR1_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/libvesmor1/triggers
                                                  ${PROJECT_SOURCE_DIR}/packaging/debian/libvesmor1/postinst
                                                  ${PROJECT_SOURCE_DIR}/packaging/debian/libvesmor1/postrm)
set(CPACK_COMPONENT_LIBVESMOR1_DESCRIPTION
    "access library for VESMOR HF RFID reader/programmers\n"
    "libvesmor opens VESMOR HF RFID reader/programmers on serial, USB virtual COM,\n"
    "USB HID, FTDI, LAN and Bluetooth interfaces and reads and writes the ISO/IEC\n"
    "15693 transponders in their field through a flat C interface.")

set(CPACK_DEBIAN_LIBVESMOR-DEV_PACKAGE_NAME libvesmor-dev)
set(CPACK_DEBIAN_LIBVESMOR-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBVESMOR-DEV_PACKAGE_DEPENDS "libvesmor1 ${vesmor_exact}")
set(CPACK_COMPONENT_LIBVESMOR-DEV_DESCRIPTION
    "development files of libvesmor\n"
    "The header vesmor.h, the link library, the pkg-config file vesmor.pc and the\n"
    "CMake package (find_package(vesmor)) for programs that use libvesmor to reach\n"
    "VESMOR HF RFID reader/programmers and ISO/IEC 15693 transponders.")

set(CPACK_DEBIAN_VESMOR-TAGFORGE_PACKAGE_NAME vesmor-tagforge)
set(CPACK_DEBIAN_VESMOR-TAGFORGE_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_VESMOR-TAGFORGE_PACKAGE_DEPENDS "libvesmor1 ${vesmor_exact}")
set(CPACK_DEBIAN_VESMOR-TAGFORGE_PACKAGE_SUGGESTS "xdg-utils")
set(CPACK_DEBIAN_VESMOR-TAGFORGE_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
                                                       ${PROJECT_SOURCE_DIR}/packaging/debian/postrm
                                                       ${PROJECT_SOURCE_DIR}/packaging/debian/conffiles)
set(CPACK_COMPONENT_VESMOR-TAGFORGE_DESCRIPTION
    "program ISO 15693 RFID transponders with VESMOR readers\n"
    "VESMOR Tagforge writes a value in one of six formats into transponder after\n"
    "transponder, auto-incremented, once or in a cycle, reads it back and logs\n"
    "every write and read. The package holds the window program, the command-line\n"
    "tool vesmor, the simulated reader vesmor-sim and the trace viewer.")

set(CPACK_DEBIAN_PYTHON3-VESMOR_PACKAGE_NAME python3-vesmor)
set(CPACK_DEBIAN_PYTHON3-VESMOR_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON3-VESMOR_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON3-VESMOR_PACKAGE_DEPENDS "python3:any, libvesmor1 (>= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_PYTHON3-VESMOR_DESCRIPTION
    "Python package for VESMOR HF RFID reader/programmers\n"
    "import vesmor: list the reader interfaces, open a reader, find the ISO/IEC\n"
    "15693 transponders in its field and read and write their blocks, with\n"
    "exceptions that carry the library's error code and message. It uses\n"
    "libvesmor through ctypes.")
include(CPack)
