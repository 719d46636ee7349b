# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(_triplet i686-w64-mingw32)
set(CMAKE_C_COMPILER ${_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_triplet}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)
get_filename_component(_lumora_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(LUMORA_DEPS_PREFIX "${_lumora_root}/build/deps/i686" CACHE PATH "i686 libraries built by tools/setup.sh")
set(CMAKE_FIND_ROOT_PATH "${LUMORA_DEPS_PREFIX}" /usr/${_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Floating point in SSE2 registers, as on x86_64: the pixel loops vectorise
# and double arithmetic rounds as in the native tests (every processor that
# runs Windows 7 and later has SSE2).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
