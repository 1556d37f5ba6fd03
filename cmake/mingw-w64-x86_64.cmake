# Cross-compiles 64-bit Windows 10 programs with Debian's MinGW-w64 compilers. The posix
# thread model makes std::thread and std::mutex work; the C and C++ runtimes are linked
# statically so no program needs a MinGW DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_target x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_target}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_target}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_target}-windres)
# POCO's build refuses to configure without a message compiler; the localization library
# is a message table compiled by it.
set(CMAKE_MC_COMPILER ${mingw_target}-windmc)

set(windows_definitions "-D_WIN32_WINNT=0x0A00 -DWINVER=0x0A00 -DUNICODE -D_UNICODE")
set(CMAKE_C_FLAGS_INIT "${windows_definitions}")
set(CMAKE_CXX_FLAGS_INIT "${windows_definitions}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Libraries and headers come from the MinGW root and from the dependency cache that
# scripts/windows/build-deps.sh fills (its folder given as FERROWICK_WIN_DEPS_DIR, on the
# command line or in the environment); programs from the build machine.
if(NOT FERROWICK_WIN_DEPS_DIR AND DEFINED ENV{FERROWICK_WIN_DEPS_DIR})
  set(FERROWICK_WIN_DEPS_DIR $ENV{FERROWICK_WIN_DEPS_DIR})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FERROWICK_WIN_DEPS_DIR)
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_target} ${FERROWICK_WIN_DEPS_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# POCO includes <Winsock2.h> and <Iphlpapi.h>; the cache holds links with those names to
# the lower-case MinGW headers.
if(FERROWICK_WIN_DEPS_DIR)
  string(APPEND CMAKE_C_FLAGS_INIT " -isystem ${FERROWICK_WIN_DEPS_DIR}/include/mingw-case-links")
  string(APPEND CMAKE_CXX_FLAGS_INIT " -isystem ${FERROWICK_WIN_DEPS_DIR}/include/mingw-case-links")
endif()
