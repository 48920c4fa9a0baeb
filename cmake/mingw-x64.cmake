# Cross build for 64-bit Windows (x64): the native saver of 64-bit Windows. Its
# float arithmetic is SSE2 by the ABI, so it needs no flags for the engine's rules.
set(CMAKE_SYSTEM_PROCESSOR x86_64)

include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
