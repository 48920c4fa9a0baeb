# What both Windows toolchain files share: MinGW-w64 with posix threads for
# CMAKE_SYSTEM_PROCESSOR (set by the including file), and Wine to run what it builds.
set(CMAKE_SYSTEM_NAME Windows)
set(ZUVARIR_MINGW_TRIPLE ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER ${ZUVARIR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZUVARIR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZUVARIR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZUVARIR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test executables run under Wine, inside the test environment's prefix and display.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/harness/wine-run.sh)
