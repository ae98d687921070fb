# Camera device channel: finds the camera, opens its pipes and speaks its
# packet protocol; frames are converted through the picture pipeline.

set(device_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(lumo_capture_device STATIC ${device_dir}/device_channel.cpp)
add_library(lumo::capture_device ALIAS lumo_capture_device)
target_link_libraries(lumo_capture_device PUBLIC lumo::ousbdrv lumo::clock lumo_capture_pipeline)

# Unit tests against the in-process cameras, end-to-end tests against the
# real daemon (bin/ousbdrvd).
lumo_add_gtest(device_channel_tests LABEL device
  SOURCES ${device_dir}/tests/device_channel_test.cpp
  LIBS lumo::capture_device lumo::ousbdrv_camera)
lumo_add_gtest(device_daemon_tests LABEL device
  SOURCES ${device_dir}/tests/device_daemon_test.cpp
  LIBS lumo::capture_device lumo::ousbdrv_testing)
if(TARGET device_daemon_tests)
  target_compile_definitions(device_daemon_tests PRIVATE OUSBDRVD_PATH="$<TARGET_FILE:ousbdrvd>")
  add_dependencies(device_daemon_tests ousbdrvd)
endif()

# The channel against a fuzzed camera (tests/fuzz_device_channel.cpp): a plain
# driver over the seed corpus in CTest (label reliability, 30 s), and the same
# entry point as a libFuzzer target under LUMO_LIBFUZZER.
if(LUMO_BUILD_TESTS)
  set(device_fuzz_corpus ${device_dir}/tests/fuzz_device_channel_corpus)
  add_executable(fuzz_device_channel ${device_dir}/tests/fuzz_device_channel.cpp)
  target_compile_definitions(fuzz_device_channel PRIVATE LUMO_FUZZ_DRIVER FUZZ_CORPUS_DIR="${device_fuzz_corpus}")
  target_link_libraries(fuzz_device_channel PRIVATE lumo::capture_device)
  set_target_properties(fuzz_device_channel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME device_fuzz_device_channel COMMAND fuzz_device_channel --seconds 30)
  set_tests_properties(device_fuzz_device_channel PROPERTIES LABELS reliability TIMEOUT 120
    ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()
if(LUMO_LIBFUZZER)
  add_executable(fuzz_device_channel_libfuzzer ${device_dir}/tests/fuzz_device_channel.cpp)
  target_compile_options(fuzz_device_channel_libfuzzer PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_device_channel_libfuzzer PRIVATE -fsanitize=fuzzer)
  target_link_libraries(fuzz_device_channel_libfuzzer PRIVATE lumo::capture_device)
  set_target_properties(fuzz_device_channel_libfuzzer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endif()
