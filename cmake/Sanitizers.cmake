# VESMOR_SANITIZE=address builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# VESMOR_SANITIZE=thread with ThreadSanitizer.
if(VESMOR_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VESMOR_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VESMOR_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VESMOR_SANITIZE must be empty, 'address' or 'thread'")
endif()
