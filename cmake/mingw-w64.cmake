# What the two MinGW-w64 cross toolchains share; each names its compilers'
# prefix (MINGW_PREFIX) and thread model (MINGW_THREAD_MODEL) first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-${MINGW_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-${MINGW_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every program links its C and C++ runtime in: the shipped one is a single
# self-contained file, and the test programs need no MinGW DLLs under wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
