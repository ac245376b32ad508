# Warnings are errors in every target of the project.
add_compile_options(-Wall -Wextra -Werror)

# GCC 12 reports out-of-bounds and overlapping copies inside libstdc++'s vector and string code
# at -O2 where there are none (GCC bugs 105329, 105651, 106199). Real bounds errors are caught by
# the AddressSanitizer build instead.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-array-bounds -Wno-restrict -Wno-stringop-overflow -Wno-stringop-overread)
endif()
