# What the Windows build takes from the build machine: the header-only libraries CLI11 and
# nlohmann-json (copied, so that no other host header can reach the mingw compiler) and
# googletest built from Debian's sources with the cross compiler.
set(host_headers ${PROJECT_BINARY_DIR}/host-headers)
foreach(dir IN ITEMS CLI nlohmann)
  if(NOT EXISTS ${host_headers}/${dir})
    file(COPY /usr/include/${dir} DESTINATION ${host_headers})
  endif()
endforeach()
foreach(target IN ITEMS CLI11::CLI11 nlohmann_json::nlohmann_json)
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${host_headers})
endforeach()
# find_package() in the subdirectories finds these targets through empty package files.
set(CMAKE_FIND_PACKAGE_PREFER_CONFIG ON)
foreach(package IN ITEMS CLI11 nlohmann_json GTest)
  file(WRITE ${host_headers}/cmake/${package}Config.cmake "# defined by cmake/WindowsDeps.cmake\n")
  set(${package}_DIR ${host_headers}/cmake CACHE PATH "" FORCE)
endforeach()

if(VESMOR_BUILD_TESTS)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # Test lists are asked from the programs (under Wine) when ctest runs, not after each link.
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()
