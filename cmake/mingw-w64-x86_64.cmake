# Cross-building the Windows program on Debian with MinGW-w64 (x86_64).
# The posix thread model: the win32 one in Debian's GCC has no std::thread
# or std::mutex, which the timer service and the tests use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORBEL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORBEL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORBEL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ORBEL_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORBEL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Nothing to ship beside the program: the C++ runtime, libgcc and
# winpthread go into each module.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
