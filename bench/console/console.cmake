# The text of the online map's route for a 24-hour track, beside the same
# array written through QJsonDocument.
add_executable(bench_maproute ${CMAKE_CURRENT_LIST_DIR}/bench_maproute.cpp)
target_link_libraries(bench_maproute PRIVATE vialumo_warnings)
target_include_directories(bench_maproute PRIVATE ${CMAKE_SOURCE_DIR}/bench/support)
target_link_libraries(bench_maproute PRIVATE vialumo_console)
