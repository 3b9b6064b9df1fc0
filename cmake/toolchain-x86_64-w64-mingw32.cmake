# Cross build of the same sources for x86_64 Windows, run under wine64 for
# testing. The posix thread model is the one GoogleTest needs.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_PREFIX x86_64-w64-mingw32)
set(MINGW_THREAD_MODEL posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
