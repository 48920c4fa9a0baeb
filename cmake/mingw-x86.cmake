# Cross build for 32-bit Windows (x86): the saver as it has always shipped.
set(CMAKE_SYSTEM_PROCESSOR i686)

# Float arithmetic in SSE2 registers, rounded to single or double precision at
# every step as the code is written; the i686 default (x87) keeps 80-bit
# intermediates and computes other results than the tested rules. Windows may
# call back into us with a 4-byte aligned stack, so functions that need more
# realign it themselves.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")

include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
