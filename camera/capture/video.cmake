# Video recording: the Record command, the capture window it drives through
# the capture service (platform/vfw), the three recording modes and the end
# of a recording (camera reopened, video still, video album).

set(video_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(lumo_capture_video STATIC
  ${video_dir}/video_formats.cpp
  ${video_dir}/video_recording.cpp)
add_library(lumo::capture_video ALIAS lumo_capture_video)
target_link_libraries(lumo_capture_video PUBLIC lumo::capture_photo lumo::vfw lumo::core)

lumo_add_gtest(video_tests LABEL video
  SOURCES
    ${video_dir}/tests/video_formats_test.cpp
    ${video_dir}/tests/video_recording_test.cpp
  LIBS lumo::capture_video lumo::vfw_testing lumo::ousbdrv_testing lumo::ui_testing)
if(TARGET video_tests)
  target_compile_definitions(video_tests PRIVATE OUSBDRVD_PATH="$<TARGET_FILE:ousbdrvd>")
  add_dependencies(video_tests ousbdrvd vdocap_driver)
endif()
