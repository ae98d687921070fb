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
  add_executable(${target} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/test_environment.cpp)
  # A discovered test's ENVIRONMENT property keeps only its first variable
  # (the list is split on the way through the property file), so every test
  # program sets its own environment (cmake/test_environment.cpp) and ctest
  # passes one variable: the test's own, else the Qt platform.
  target_compile_definitions(${target} PRIVATE
    LUMO_LSAN_SUPPRESSIONS_FILE="${LUMO_LSAN_SUPPRESSIONS}"
    LUMO_TEST_BUILD_DIR="${CMAKE_BINARY_DIR}")
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  list(LENGTH ARG_ENVIRONMENT env_count)
  if(env_count GREATER 1)
    message(FATAL_ERROR "lumo_add_gtest(${target}): one ENVIRONMENT variable at most")
  endif()
  set(env QT_QPA_PLATFORM=offscreen)
  if(ARG_ENVIRONMENT)
    set(env ${ARG_ENVIRONMENT})
  endif()
  gtest_discover_tests(${target}
    DISCOVERY_TIMEOUT 120
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
