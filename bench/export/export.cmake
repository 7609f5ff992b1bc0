# Exporting 60 s of 1080p that spans two one-minute recordings with the
# program's --export-clip, beside copying the same source files with cp;
# the export's peak memory.
add_executable(bench_exportclip ${CMAKE_CURRENT_LIST_DIR}/bench_exportclip.cpp)
target_link_libraries(bench_exportclip PRIVATE vialumo_warnings Qt6::Core vialumo_export)
target_include_directories(bench_exportclip PRIVATE ${CMAKE_SOURCE_DIR}/bench/support)
target_compile_definitions(bench_exportclip PRIVATE
  VIALUMO_DEPLOY_DIR="${VIALUMO_DEPLOY_DIR}"
  VIALUMO_BENCH_DATA_DIR="${CMAKE_BINARY_DIR}/bench-data/export")
add_dependencies(bench_exportclip vialumo)
