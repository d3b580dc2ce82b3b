# Cross-compiles for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix).
#
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64.cmake \
#         -DCMAKE_PREFIX_PATH="<Qt for Windows>;<OpenSSL for Windows>" -DQT_HOST_PATH=/usr
#
# The POSIX-threads flavour of the compiler is the one Qt 6 needs (std::thread, std::mutex).
# Every directory of CMAKE_PREFIX_PATH is also a find root, so that packages, headers and
# libraries are taken from the Windows builds there and never from the host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LUMETTA_MINGW_TRIPLET x86_64-w64-mingw32 CACHE STRING "MinGW-w64 target triplet")
set(LUMETTA_MINGW_FLAVOUR posix CACHE STRING "Suffix of Debian's MinGW-w64 compilers")

set(CMAKE_C_COMPILER ${LUMETTA_MINGW_TRIPLET}-gcc-${LUMETTA_MINGW_FLAVOUR})
set(CMAKE_CXX_COMPILER ${LUMETTA_MINGW_TRIPLET}-g++-${LUMETTA_MINGW_FLAVOUR})
set(CMAKE_RC_COMPILER ${LUMETTA_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${LUMETTA_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${LUMETTA_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${LUMETTA_MINGW_TRIPLET})
foreach(prefix IN LISTS CMAKE_PREFIX_PATH)
    list(APPEND CMAKE_FIND_ROOT_PATH ${prefix})
endforeach()
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

