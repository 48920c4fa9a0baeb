# Windows side, one architecture per build folder: x86 (cmake/mingw-x86.cmake)
# or x64 (cmake/mingw-x64.cmake). Every program imports only system DLLs (and
# our BASS.dll).
# ZUVARIR_MANIFEST_ARCH is the same architecture as an application manifest names it.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ZUVARIR_ARCH x64)
  set(ZUVARIR_MANIFEST_ARCH amd64)
else()
  set(ZUVARIR_ARCH x86)
  set(ZUVARIR_MANIFEST_ARCH x86)
endif()
add_link_options(-static-libgcc -static-libstdc++ -static)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)

# Everything of the saver but its entry point, so that test programs can link it.
add_library(zuvarir_core STATIC)
target_link_libraries(zuvarir_core PUBLIC zuvarir_engine opengl32 gdi32 winmm comdlg32 advapi32)

# Gives the DLL TARGET the exports of the module-definition file DEF, which names
# the stdcall functions as 32-bit code decorates them (BASS_Init@16); the DLL
# exports them undecorated either way. x64 has one calling convention and no
# decoration, so its linker gets a copy without the suffixes.
function(zuvarir_exports target def)
  if(ZUVARIR_ARCH STREQUAL x64)
    file(READ ${def} text)
    string(REGEX REPLACE "@[0-9]+" "" text "${text}")
    get_filename_component(name ${def} NAME)
    set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}_${name})
    file(WRITE ${def} "${text}")
  endif()
  target_sources(${target} PRIVATE ${def})
  target_link_options(${target} PRIVATE -Wl,--kill-at)
endfunction()

# Registers the Windows test NAME of this architecture, as <arch>.NAME, to run in
# the run's Wine environment: COMMAND is a cross-built target (run through the
# emulator) or a script that sources tests/harness/env.sh. With OWN_ENVIRONMENT
# the script starts an environment of its own instead (tests/harness/private_env.sh),
# for an X server unlike the shared one. Either way one such test runs at a time,
# whatever the architecture: the saver takes a whole core, and the tests time
# input against its clock. Where this machine cannot run the architecture's
# programs, the test ends with 77 and counts as skipped.
function(add_wine_test)
  cmake_parse_arguments(arg "OWN_ENVIRONMENT" "NAME;TIMEOUT" "COMMAND;ENVIRONMENT" ${ARGN})
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 120)
  endif()
  set(name ${ZUVARIR_ARCH}.${arg_NAME})
  add_test(NAME ${name} COMMAND ${arg_COMMAND})
  set(environment "ZUVARIR_ARCH=${ZUVARIR_ARCH};ZUVARIR_SCR=$<TARGET_FILE:zuvarir>;ZUVARIR_BUILD=${CMAKE_BINARY_DIR}"
      ${arg_ENVIRONMENT})
  if(NOT arg_OWN_ENVIRONMENT)
    list(APPEND environment "ZUVARIR_WINE_ENV=${CMAKE_BINARY_DIR}/wine-env")
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_env_${ZUVARIR_ARCH})
  endif()
  set_tests_properties(${name} PROPERTIES
    RESOURCE_LOCK wine_desktop TIMEOUT ${arg_TIMEOUT} SKIP_RETURN_CODE 77 ENVIRONMENT "${environment}")
endfunction()
