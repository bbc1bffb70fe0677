# The same sources for 64-bit Windows, used only to run the test programs under 64-bit
# Wine on machines that cannot execute 32-bit code (scripts/test says when it does so).
set(QOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run;--win64)
