# Cross build of the shipped 32-bit program with Debian's MinGW-w64 (win32
# thread model, so nothing from winpthread is linked in).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_PREFIX i686-w64-mingw32)
set(MINGW_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
