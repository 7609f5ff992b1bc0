# A tile from a 1 GB MBTiles and a 1 GB PMTiles file beside one SQLite query
# and one plain read of the same bytes.
add_executable(bench_tiles ${CMAKE_CURRENT_LIST_DIR}/bench_tiles.cpp)
target_link_libraries(bench_tiles PRIVATE vialumo_warnings)
target_include_directories(bench_tiles PRIVATE ${CMAKE_SOURCE_DIR}/bench/support)
target_link_libraries(bench_tiles PRIVATE vialumo_tiles Qt6::Sql)
