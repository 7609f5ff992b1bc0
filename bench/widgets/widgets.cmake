# One speedometer paint beside a plain widget painting the same background.
add_executable(bench_speedometer ${CMAKE_CURRENT_LIST_DIR}/bench_speedometer.cpp)
target_link_libraries(bench_speedometer PRIVATE vialumo_warnings)
target_include_directories(bench_speedometer PRIVATE ${CMAKE_SOURCE_DIR}/bench/support)
target_link_libraries(bench_speedometer PRIVATE vialumo_widgets Qt6::Test)
