# Helpers for the project's modules, programs and tests.

# The executables declare UTF-8 as their active code page (and common controls 6). The manifest names
# the target's processor: a 64-bit program that claims x86 cannot load common controls 6 (nor quartz
# after it). windres writes no dependency file, so the resource depends on the manifest by hand.
set(OSTREL_MANIFEST ${CMAKE_BINARY_DIR}/ostrel.manifest)
set(OSTREL_MANIFEST_RC ${CMAKE_BINARY_DIR}/manifest.rc)
configure_file(${CMAKE_SOURCE_DIR}/cmake/ostrel.manifest.in ${OSTREL_MANIFEST} @ONLY)
file(WRITE ${OSTREL_MANIFEST_RC}.tmp
  "// Every program of the project runs with UTF-8 as its active code page and common controls 6.\n"
  "1 24 \"ostrel.manifest\"\n")
configure_file(${OSTREL_MANIFEST_RC}.tmp ${OSTREL_MANIFEST_RC} COPYONLY)

# ostrel_manifest(TARGET): embeds the project manifest in a program.
function(ostrel_manifest name)
  target_sources(${name} PRIVATE ${OSTREL_MANIFEST_RC})
  set_source_files_properties(${OSTREL_MANIFEST_RC} PROPERTIES OBJECT_DEPENDS ${OSTREL_MANIFEST})
endfunction()

# ostrel_package(NAME SOURCES...): a package DLL with the .bpl extension, in dist/.
function(ostrel_package name)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".bpl" IMPORT_PREFIX "lib" IMPORT_SUFFIX ".bpl.a")
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  ostrel_export_all(${name})
endfunction()

# ostrel_executable(NAME [WIN32] SOURCES...): a program in dist/ with the project manifest.
function(ostrel_executable name)
  add_executable(${name} ${ARGN})
  ostrel_manifest(${name})
endfunction()

# ostrel_test_code(TARGETS...): test code compiles at -Og. It is as debuggable as the product and
# compiles in about half the time -O2 takes (the test sources are most of the build); what the tests
# exercise is the product's code, built as it ships.
function(ostrel_test_code)
  foreach(t ${ARGN})
    target_compile_options(${t} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-Og>)
  endforeach()
endfunction()

# ostrel_test(NAME SOURCES... [LIBS libs...] [LABELS labels...] [ENV k=v...] [DESKTOP WxH] [HEAPCHECK])
# One GoogleTest executable per module, run by CTest through Wine as one process. With HEAPCHECK the
# executable runs a second time under Wine's heap checking (label heap): a corrupted heap fails it.
# With DESKTOP the executable runs on a desktop of exactly that size (OSTREL_DESKTOP, see
# scripts/wine-run). Tests labelled gui take the screen for themselves: they run alone (RUN_SERIAL),
# since any other program that shows a window (a video renderer of a media test) takes the focus and
# the foreground from them.
function(ostrel_test name)
  cmake_parse_arguments(T "HEAPCHECK" "TIMEOUT;DESKTOP" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  ostrel_manifest(${name})
  ostrel_test_code(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ostrel_gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OSTREL_TESTS})
  # A test needs the runtime DLLs and the test media even when only its own target is built.
  add_dependencies(${name} runtime_dlls test_media)
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(args TIMEOUT ${T_TIMEOUT})
  if(T_DESKTOP)
    list(APPEND args DESKTOP ${T_DESKTOP})
  endif()
  ostrel_test_run(${name} ${name} ${args} LABELS ${T_LABELS} ENV ${T_ENV})
  if(T_HEAPCHECK)
    # A GUI test's heap run takes the screen for itself as well.
    set(heap_labels heap)
    if("gui" IN_LIST T_LABELS)
      list(APPEND heap_labels gui)
    endif()
    ostrel_test_run(${name}_heap ${name} ${args} LABELS ${heap_labels} ENV WINEDEBUG=warn+heap ${T_ENV}
                    FAIL_REGULAR_EXPRESSION "err:heap|warn:heap")
  endif()
endfunction()

# ostrel_test_run(NAME EXECUTABLE [ARGS args...] [LABELS labels...] [ENV k=v...] [DESKTOP WxH]
#                 [TIMEOUT s] [FAIL_REGULAR_EXPRESSION re])
# One more CTest run of a test executable: other arguments (a --gtest_filter), another environment,
# a desktop of another size.
function(ostrel_test_run name exe)
  cmake_parse_arguments(R "" "TIMEOUT;DESKTOP;FAIL_REGULAR_EXPRESSION" "ARGS;LABELS;ENV" ${ARGN})
  if(NOT R_LABELS)
    set(R_LABELS unit)
  endif()
  if(NOT R_TIMEOUT)
    set(R_TIMEOUT 300)
  endif()
  set(env "OSTREL_ARCH=${OSTREL_ARCH};BUILD_DIR=${CMAKE_BINARY_DIR};OSTREL_CDROM=${CMAKE_BINARY_DIR}/cdrom;OSTREL_MEDIA=${OSTREL_MEDIA_DIR};OSTREL_DIST=${OSTREL_DIST};${R_ENV}")
  if(R_DESKTOP)
    list(APPEND env OSTREL_DESKTOP=${R_DESKTOP})
    add_dependencies(${exe} ostrel_desktop)
  endif()
  add_test(NAME ${name} COMMAND ${exe} --gtest_color=no ${R_ARGS})
  set_tests_properties(${name} PROPERTIES LABELS "${R_LABELS}" TIMEOUT ${R_TIMEOUT} ENVIRONMENT "${env}")
  if(R_FAIL_REGULAR_EXPRESSION)
    set_tests_properties(${name} PROPERTIES FAIL_REGULAR_EXPRESSION "${R_FAIL_REGULAR_EXPRESSION}")
  endif()
  if("gui" IN_LIST R_LABELS)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
  # A virtual desktop leaves its size in the prefix's wineserver: programs started after it on the
  # ordinary desktop see a screen of that size. Sized-desktop runs therefore wait for every test
  # defined before them (they are defined last, in tests/guikit), and the test command starts each
  # run with a fresh wineserver.
  if(R_DESKTOP)
    get_property(plain GLOBAL PROPERTY OSTREL_PLAIN_TESTS)
    set_tests_properties(${name} PROPERTIES DEPENDS "${plain}" FIXTURES_REQUIRED sized_desktops)
  else()
    set_property(GLOBAL APPEND PROPERTY OSTREL_PLAIN_TESTS ${name})
  endif()
endfunction()


# The MinGW runtime DLLs beside the executables; the unwinder's DLL differs by target.
if(OSTREL_ARCH STREQUAL win64)
  set(_unwinder libgcc_s_seh-1.dll)
else()
  set(_unwinder libgcc_s_dw2-1.dll)
endif()
foreach(dll libstdc++-6.dll ${_unwinder} libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    file(GLOB path /usr/lib/gcc/${MINGW_TRIPLE}/*-posix/${dll} /usr/${MINGW_TRIPLE}/lib/${dll})
    list(GET path 0 path)
  endif()
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "MinGW runtime DLL not found: ${dll}")
  endif()
  list(APPEND OSTREL_RUNTIME_DLLS ${path})
endforeach()
add_custom_target(runtime_dlls ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${OSTREL_DIST}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${OSTREL_RUNTIME_DLLS} ${OSTREL_DIST}
  COMMENT "Copying the MinGW runtime DLLs")

# Packages export every symbol: classes, their vtables and type information cross module boundaries
# exactly as they are written, without export macros on every class.
function(ostrel_export_all name)
  target_link_options(${name} PRIVATE -Wl,--export-all-symbols -Wl,--enable-auto-import)
endfunction()

# A host path as a Windows program under Wine sees it (drive Z: is the host's root).
function(ostrel_windows_path out path)
  string(REPLACE "/" "\\" path "Z:${path}")
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

# ostrel_stored_forms(TARGET FORM.dfm...)
# Stored forms kept in the text form in the tree, converted to the binary form at build time by our
# formconv (one Wine run for all of a target's forms) and linked into TARGET as RCDATA resources named
# after the file, which is named after the form's class (TMainForm.dfm holds TMainForm).
function(ostrel_stored_forms target)
  set(_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_forms)
  set(_rc ${_dir}/${target}_forms.rc)
  set(_outputs)
  set(_args)
  set(_lines "// Stored forms of ${target}, converted at build time.\n")
  foreach(_form ${ARGN})
    get_filename_component(_source ${_form} ABSOLUTE)
    get_filename_component(_name ${_form} NAME_WE)
    set(_bin ${_dir}/${_name}.bin)
    ostrel_windows_path(_win_in ${_source})
    ostrel_windows_path(_win_out ${_bin})
    list(APPEND _outputs ${_bin})
    list(APPEND _args ${_win_in} ${_win_out})
    string(TOUPPER ${_name} _resource)
    string(APPEND _lines "${_resource} RCDATA \"${_bin}\"\n")
    list(APPEND _sources ${_source})
  endforeach()
  file(MAKE_DIRECTORY ${_dir})
  file(WRITE ${_rc}.in "${_lines}")
  configure_file(${_rc}.in ${_rc} COPYONLY)
  add_custom_command(OUTPUT ${_outputs}
    COMMAND ${OSTREL_WINE_RUN} ${OSTREL_BUILDTOOLS}/formconv.exe ${_args}
    DEPENDS formconv runtime_dlls ${_sources}
    COMMENT "Converting the stored forms of ${target}" VERBATIM)
  add_custom_target(${target}_forms DEPENDS ${_outputs})
  add_dependencies(${target} ${target}_forms)
  target_sources(${target} PRIVATE ${_rc})
  set_source_files_properties(${_rc} PROPERTIES OBJECT_DEPENDS "${_outputs}")
endfunction()
