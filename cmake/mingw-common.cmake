# What both mingw-w64 toolchain files share; they set QOR_MINGW_TRIPLET first. The
# win32-thread-model compilers: the posix model pulls in winpthreads, which imports
# GetTickCount64, a function Windows XP does not have.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QOR_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${QOR_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${QOR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
