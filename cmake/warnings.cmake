# Warnings are errors in every tree; third-party code is compiled as SYSTEM and stays quiet.
add_library(zarn_warnings INTERFACE)
target_compile_options(zarn_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Werror
    -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wconversion -Wsign-conversion -Wnull-dereference -Wdouble-promotion -Wformat=2
    -Wimplicit-fallthrough)
# GCC 12 reports impossible overlaps in inlined std::string concatenation at -O2 and above
# (GCC bug 105329); the warning has no true positives in our code to lose.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(zarn_warnings INTERFACE -Wno-restrict)
endif()
