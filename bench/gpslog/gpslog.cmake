# Track loading of a 24-hour log beside the bare QTextStream line read.
add_executable(bench_gpslog ${CMAKE_CURRENT_LIST_DIR}/bench_gpslog.cpp)
target_link_libraries(bench_gpslog PRIVATE vialumo_warnings)
target_include_directories(bench_gpslog PRIVATE ${CMAKE_SOURCE_DIR}/bench/support)
target_link_libraries(bench_gpslog PRIVATE vialumo_gpslog)
