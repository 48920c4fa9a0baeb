# Native side: portable code under AddressSanitizer and UndefinedBehaviorSanitizer.
# ZUVARIR_SANITIZE=OFF gives plain optimised binaries for the benchmarks.
option(ZUVARIR_SANITIZE "Build the native tests with ASan and UBSan" ON)
set(ZUVARIR_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# Fuzz targets need clang's libFuzzer.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS -fsanitize=fuzzer)
check_cxx_source_compiles("
  #include <cstdint>
  #include <cstddef>
  extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }" ZUVARIR_HAVE_LIBFUZZER)
unset(CMAKE_REQUIRED_FLAGS)
if(NOT ZUVARIR_HAVE_LIBFUZZER)
  message(FATAL_ERROR "the fuzz targets need clang with libFuzzer (libclang-rt-14-dev)")
endif()

# A native test program built with the sanitizers, linked to the engine.
function(add_sanitized_executable name)
  add_executable(${name} ${ARGN})
  if(ZUVARIR_SANITIZE)
    target_compile_options(${name} PRIVATE ${ZUVARIR_SANITIZER_FLAGS})
    target_link_options(${name} PRIVATE ${ZUVARIR_SANITIZER_FLAGS})
  endif()
endfunction()

# A libFuzzer target; the sources it tests are compiled into it with coverage.
function(add_fuzz_target name)
  add_executable(${name} ${ARGN})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
endfunction()

# A native test program under ThreadSanitizer, which cannot share a binary with
# the other sanitizers: the sources it tests are compiled into it.
function(add_thread_sanitized_executable name)
  add_executable(${name} ${ARGN})
  target_compile_options(${name} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(${name} PRIVATE -fsanitize=thread)
endfunction()

if(ZUVARIR_SANITIZE)
  target_compile_options(zuvarir_engine PRIVATE ${ZUVARIR_SANITIZER_FLAGS})
endif()
