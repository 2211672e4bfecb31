# Cross-compiling for 64-bit Windows with Debian's mingw-w64, posix thread model (std::thread
# needs it). Used for the toolchain's own Qt, curl and GoogleTest builds and for the program:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/windows-x86_64.cmake -DVELMORA_WINDOWS_PREFIX=<cache> ...
# VELMORA_WINDOWS_PREFIX is the folder scripts/windows-toolchain filled (qt/, curl/, gtest/).
# Test executables run through Wine (scripts/wine-run), so ctest works as on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_triplet}-windres)
set(CMAKE_AR ${_triplet}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${_triplet}-gcc-ranlib-posix CACHE FILEPATH "")

# The prefix travels into try_compile projects too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMORA_WINDOWS_PREFIX)
if(NOT VELMORA_WINDOWS_PREFIX AND DEFINED ENV{VELMORA_WINDOWS_PREFIX})
    set(VELMORA_WINDOWS_PREFIX "$ENV{VELMORA_WINDOWS_PREFIX}")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
if(VELMORA_WINDOWS_PREFIX)
    list(APPEND CMAKE_FIND_ROOT_PATH
        ${VELMORA_WINDOWS_PREFIX}/qt ${VELMORA_WINDOWS_PREFIX}/curl ${VELMORA_WINDOWS_PREFIX}/gtest)
endif()
# Programs (moc, rcc, the compilers) are the build machine's; headers and libraries the target's.
# Packages may come from either side: Qt finds its host tools' packages under QT_HOST_PATH.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

get_filename_component(_velmora_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_velmora_root}/scripts/wine-run")
