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
