# Cross-compiles for macOS with Zig's clang (scripts/macos-build). Set on the command line:
#   FERROLIN_MACOS_TOOLS  a folder with cc, c++, ar and ranlib: wrappers around `zig cc`, `zig c++`
#                         (each with -target <arch>-macos), `zig ar` and `zig ranlib`
#   FERROLIN_MACOS_DEPS   the prefix of the libraries built for that target (include/, lib/,
#                         lib/pkgconfig/, share/cmake/); nothing of the build machine's is searched
set(CMAKE_SYSTEM_NAME Darwin)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FERROLIN_MACOS_TOOLS FERROLIN_MACOS_DEPS)

set(CMAKE_C_COMPILER "${FERROLIN_MACOS_TOOLS}/cc")
set(CMAKE_CXX_COMPILER "${FERROLIN_MACOS_TOOLS}/c++")
set(CMAKE_AR "${FERROLIN_MACOS_TOOLS}/ar" CACHE FILEPATH "")
set(CMAKE_RANLIB "${FERROLIN_MACOS_TOOLS}/ranlib" CACHE FILEPATH "")
# Zig links with its own linker; there is no install_name_tool or codesign to run.
set(CMAKE_OSX_SYSROOT "" CACHE PATH "")
set(CMAKE_OSX_DEPLOYMENT_TARGET "" CACHE STRING "")

set(CMAKE_FIND_ROOT_PATH "${FERROLIN_MACOS_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${FERROLIN_MACOS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
