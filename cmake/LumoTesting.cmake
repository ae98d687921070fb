# lumo_add_gtest(<target> LABEL <label> SOURCES <files...> [LIBS <libs...>]
#                [ENVIRONMENT <VAR=value...>])
# Builds one GoogleTest program and registers each of its tests with CTest,
# labelled with the area it covers. Widgets run on Qt's offscreen platform.
if(LUMO_BUILD_TESTS)
  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

set(LUMO_LSAN_SUPPRESSIONS ${CMAKE_SOURCE_DIR}/scripts/lsan.supp)

function(lumo_add_gtest target)
  if(NOT LUMO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(NOT ARG_LABEL)
    message(FATAL_ERROR "lumo_add_gtest(${target}): LABEL is required")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set(env
    QT_QPA_PLATFORM=offscreen
    LSAN_OPTIONS=suppressions=${LUMO_LSAN_SUPPRESSIONS}:print_suppressions=0
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    LUMO_BUILD_DIR=${CMAKE_BINARY_DIR}
    ${ARG_ENVIRONMENT})
  gtest_discover_tests(${target}
    DISCOVERY_TIMEOUT 120
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
