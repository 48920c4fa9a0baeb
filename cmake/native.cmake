# Native side: portable code under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the two Windows builds below.
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

# The Windows builds, one folder per architecture (x86 and x64), made by this
# build; its ctest descends into theirs, so that one run tests everything and
# runs one Wine test at a time across both.
option(ZUVARIR_WINDOWS "Also build and test the saver for 32-bit and 64-bit Windows" ON)
if(ZUVARIR_WINDOWS)
  include(ExternalProject)
  set(windows_tests "")
  foreach(arch x86 x64)
    ExternalProject_Add(windows_${arch}
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/${arch}
      CONFIGURE_COMMAND ${CMAKE_SOURCE_DIR}/tools/configure-windows.sh ${arch} <BINARY_DIR>
                        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON)
    string(APPEND windows_tests "subdirs(\"${CMAKE_BINARY_DIR}/${arch}\")\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/windows_tests.cmake "${windows_tests}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/windows_tests.cmake)
endif()
