# Import of 1,000 recordings beside merely opening and reading their files.
add_executable(bench_catalogue ${CMAKE_CURRENT_LIST_DIR}/bench_catalogue.cpp)
target_link_libraries(bench_catalogue PRIVATE vialumo_warnings)
target_include_directories(bench_catalogue PRIVATE ${CMAKE_SOURCE_DIR}/bench/support)
target_link_libraries(bench_catalogue PRIVATE vialumo_core)
