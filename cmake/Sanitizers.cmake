# VESMOR_SANITIZE=address builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# VESMOR_SANITIZE=thread with ThreadSanitizer.
#
# Both build at -O1 with line tables only (-g1): a report still names function, file and line,
# and the build takes about half the time of -O2 -g, most of it in UBSan's checks of the
# header-only command-line parser that every command of the tool compiles.
if(NOT VESMOR_SANITIZE STREQUAL "")
  set(CMAKE_C_FLAGS_RELWITHDEBINFO "-O1 -g1 -DNDEBUG")
  set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O1 -g1 -DNDEBUG")
endif()
if(VESMOR_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VESMOR_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VESMOR_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VESMOR_SANITIZE must be empty, 'address' or 'thread'")
endif()
