# xamu_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [GUI])
# One GoogleTest executable per subsystem. Tests are discovered when ctest
# runs, not at build time, so building needs no display and no printer.
function(xamu_add_test)
  cmake_parse_arguments(T "GUI;OWN_MAIN" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} xamu_warnings GTest::gtest GTest::gmock)
  if(NOT T_OWN_MAIN)
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${T_NAME} PRIVATE
    XAMU_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
    XAMU_BUILD_DIR="${CMAKE_BINARY_DIR}"
    XAMU_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT 300
               ENVIRONMENT "XAMU_PROGRAM_DIR=${XAMU_SHARE_DIR};QT_QPA_PLATFORM=offscreen")
endfunction()

# xamu_add_bench(NAME <name> SOURCES <files...> [LIBS <targets...>])
function(xamu_add_bench)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  set_target_properties(${B_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} xamu_warnings benchmark::benchmark)
endfunction()

# xamu_static_cxx_runtime(<target>)
# Links the C++ runtime (libstdc++, libgcc) into a command-line program or a
# converter module instead of loading the shared copies. Binding libstdc++.so
# costs a short-lived command more processor time than most of its own work;
# the targets this is used on talk to other objects through C functions only,
# and export nothing of the runtime. Sanitizer and fuzz builds keep the shared
# runtime, which their own allocators and interceptors expect.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT XAMU_SANITIZE AND NOT XAMU_FUZZ)
  set(XAMU_STATIC_CXX_RUNTIME ON)
else()
  set(XAMU_STATIC_CXX_RUNTIME OFF)
endif()
function(xamu_static_cxx_runtime target)
  if(XAMU_STATIC_CXX_RUNTIME)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()
