# Windows side: every program imports only system DLLs (and our BASS.dll).
add_link_options(-static-libgcc -static-libstdc++ -static)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)

# Everything of the saver but its entry point, so that test programs can link it.
add_library(zuvarir_core STATIC)
target_link_libraries(zuvarir_core PUBLIC zuvarir_engine opengl32 gdi32 winmm comdlg32 advapi32)

# The native build of the same sources, with its tests registered here too.
include(ExternalProject)
set(NATIVE_BINARY_DIR ${CMAKE_BINARY_DIR}/native)
ExternalProject_Add(native
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${NATIVE_BINARY_DIR}
  CMAKE_ARGS -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)

# The native sub-build registers its own tests; the ctest of this build descends
# into it, so every native test is registered once and runs here too.
file(WRITE ${CMAKE_BINARY_DIR}/native_tests.cmake "subdirs(\"${NATIVE_BINARY_DIR}\")\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/native_tests.cmake)

# Registers a test that runs in the run's Wine environment: COMMAND is a cross-built
# target (run through the emulator) or a script that sources tests/harness/env.sh.
# With OWN_ENVIRONMENT the script starts an environment of its own instead
# (tests/harness/private_env.sh), for an X server unlike the shared one. Either
# way one such test runs at a time: the saver takes a whole core, and the tests
# time input against its clock.
function(add_wine_test)
  cmake_parse_arguments(arg "OWN_ENVIRONMENT" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 120)
  endif()
  add_test(NAME ${arg_NAME} COMMAND ${arg_COMMAND})
  set(environment "ZUVARIR_SCR=$<TARGET_FILE:zuvarir>;ZUVARIR_BUILD=${CMAKE_BINARY_DIR}")
  set_tests_properties(${arg_NAME} PROPERTIES RESOURCE_LOCK wine_desktop TIMEOUT ${arg_TIMEOUT})
  if(arg_OWN_ENVIRONMENT)
    set_tests_properties(${arg_NAME} PROPERTIES ENVIRONMENT "${environment}")
  else()
    set_tests_properties(${arg_NAME} PROPERTIES
      FIXTURES_REQUIRED wine_env
      ENVIRONMENT "ZUVARIR_WINE_ENV=${CMAKE_BINARY_DIR}/wine-env;${environment}")
  endif()
endfunction()
