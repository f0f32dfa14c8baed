# Cross build for 64-bit Windows with mingw-w64.
#
# CINDRAL_MINGW_THREADS picks the compilers' thread model. posix (the default)
# is the one whose C++ runtime has the threads GoogleTest needs; its runtime
# also brings a thread layer that imports functions Windows has only since
# Vista. win32 gives a runtime without it, for a saver that loads on older
# Windows; GoogleTest cannot be built with it, so such a build has no
# GoogleTest programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CINDRAL_MINGW_THREADS posix CACHE STRING "mingw-w64 thread model: posix or win32")
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-${CINDRAL_MINGW_THREADS})
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-${CINDRAL_MINGW_THREADS})
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
