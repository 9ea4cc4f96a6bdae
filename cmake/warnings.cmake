# Warnings are errors in every tree; third-party code is compiled as SYSTEM and stays quiet.
add_library(zarn_warnings INTERFACE)
target_compile_options(zarn_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Werror
    -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wconversion -Wsign-conversion -Wnull-dereference -Wdouble-promotion -Wformat=2
    -Wimplicit-fallthrough)
