# Picture pipeline: picture tables, plane conversion, frame formats and
# preview rectangles, the shared palette and dithering (plain C++), and the
# preview window (Qt widget).

set(pipeline_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(lumo_capture_pipeline STATIC
  ${pipeline_dir}/picture_tables.cpp
  ${pipeline_dir}/picture_convert.cpp
  ${pipeline_dir}/picture_formats.cpp
  ${pipeline_dir}/palette_dither.cpp)
add_library(lumo::capture_pipeline ALIAS lumo_capture_pipeline)

# The processor-specific conversion paths: only these two files are built for
# wider instruction sets; the program picks one at run time.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  target_sources(lumo_capture_pipeline PRIVATE
    ${pipeline_dir}/picture_convert_avx2.cpp
    ${pipeline_dir}/picture_convert_avx512.cpp)
  set_source_files_properties(${pipeline_dir}/picture_convert_avx2.cpp
    PROPERTIES COMPILE_OPTIONS "-mavx2")
  set_source_files_properties(${pipeline_dir}/picture_convert_avx512.cpp
    PROPERTIES COMPILE_OPTIONS "-mavx512f;-mavx512bw;-mavx512vbmi")
  target_compile_definitions(lumo_capture_pipeline PRIVATE LUMO_X86_KERNELS)
endif()

find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets)
add_library(lumo_capture_preview STATIC ${pipeline_dir}/preview_window.cpp)
add_library(lumo::capture_preview ALIAS lumo_capture_preview)
target_link_libraries(lumo_capture_preview PUBLIC lumo::capture_pipeline Qt6::Widgets
                      PRIVATE lumo::core_strings)

lumo_add_gtest(pipeline_tests LABEL pipeline
  SOURCES
    ${pipeline_dir}/tests/pipeline_tables_test.cpp
    ${pipeline_dir}/tests/pipeline_convert_test.cpp
    ${pipeline_dir}/tests/pipeline_dither_test.cpp
    ${pipeline_dir}/tests/pipeline_formats_test.cpp
  LIBS lumo::capture_pipeline)
lumo_add_gtest(pipeline_preview_tests LABEL pipeline
  SOURCES ${pipeline_dir}/tests/pipeline_preview_test.cpp
  LIBS lumo::capture_preview)
