# Photo capture: the still picture at the chosen size, saved as a series
# file, a single photo or a video still, or printed.

set(photo_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(lumo_capture_photo STATIC
  ${photo_dir}/photo_capture.cpp
  ${photo_dir}/photo_naming.cpp)
add_library(lumo::capture_photo ALIAS lumo_capture_photo)
target_link_libraries(lumo_capture_photo PUBLIC
  lumo::capture_device lumo::capture_pipeline lumo::imaging lumo::print lumo::clock)

lumo_add_gtest(photo_tests LABEL photo
  SOURCES
    ${photo_dir}/tests/photo_naming_test.cpp
    ${photo_dir}/tests/photo_capture_test.cpp
    ${photo_dir}/tests/photo_daemon_test.cpp
  LIBS lumo::capture_photo lumo::ousbdrv_camera lumo::ousbdrv_testing lumo::shell)
if(TARGET photo_tests)
  target_compile_definitions(photo_tests PRIVATE OUSBDRVD_PATH="$<TARGET_FILE:ousbdrvd>")
  add_dependencies(photo_tests ousbdrvd)
endif()
