# Cross build for Windows with mingw-w64, included by the toolchain file of
# each architecture once it has set CMAKE_SYSTEM_PROCESSOR.
#
# CINDRAL_MINGW_THREADS picks the compilers' thread model. posix (the default)
# is the one whose C++ runtime has the threads GoogleTest needs; its runtime
# also brings a thread layer that imports functions Windows has only since
# Vista. win32 gives a runtime without it, for a saver that loads on older
# Windows; GoogleTest cannot be built with it, so such a build has no
# GoogleTest programs.
set(CMAKE_SYSTEM_NAME Windows)
set(triplet ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CINDRAL_MINGW_THREADS posix CACHE STRING "mingw-w64 thread model: posix or win32")
set(CMAKE_C_COMPILER ${triplet}-gcc-${CINDRAL_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${triplet}-g++-${CINDRAL_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
