# The .deb: `./build.sh package`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vesmor-tagforge)
set(CPACK_PACKAGE_VENDOR "VESMOR")
set(CPACK_PACKAGE_CONTACT "VESMOR Tagforge <tagforge@vesmor.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Program ISO 15693 RFID transponders with VESMOR readers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Desktop tool, command-line tool and C library for VESMOR HF RFID reader/programmers.\n"
    " VESMOR Tagforge writes a value in one of six formats into transponder after\n"
    " transponder, auto-incremented, once or in a cycle, reads it back and logs every\n"
    " write and read. libvesmor gives other programs the reader access (pkg-config vesmor).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libhidapi-hidraw0")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
                                       ${PROJECT_SOURCE_DIR}/packaging/debian/postrm
                                       ${PROJECT_SOURCE_DIR}/packaging/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
