# Import of 1,000 recordings beside merely opening and reading their files.
add_executable(bench_catalogue ${CMAKE_CURRENT_LIST_DIR}/bench_catalogue.cpp)
target_link_libraries(bench_catalogue PRIVATE vialumo_warnings)
target_include_directories(bench_catalogue PRIVATE ${CMAKE_SOURCE_DIR}/bench/support)
target_link_libraries(bench_catalogue PRIVATE vialumo_catalogue)
# Import of 1,000 MP4 recordings with GPS inside beside opening them and
# reading the bytes their GPS lies in.
add_executable(bench_mp4import ${CMAKE_CURRENT_LIST_DIR}/bench_mp4import.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp)
target_link_libraries(bench_mp4import PRIVATE vialumo_warnings)
target_include_directories(bench_mp4import PRIVATE ${CMAKE_SOURCE_DIR}/bench/support ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(bench_mp4import PRIVATE vialumo_catalogue)
