# One playing tick of the main window's display update: the console's tick
# alone, the window's whole slot through its timer, and beside them the
# speedometer repaint, the engine queries and the map calls.
add_executable(bench_tick ${CMAKE_CURRENT_LIST_DIR}/bench_tick.cpp)
target_link_libraries(bench_tick PRIVATE vialumo_warnings)
target_include_directories(bench_tick PRIVATE ${CMAKE_SOURCE_DIR}/bench/support ${CMAKE_SOURCE_DIR}/tests/support)
target_compile_definitions(bench_tick PRIVATE VIALUMO_TESTDATA_DIR="${CMAKE_BINARY_DIR}/testdata")
target_link_libraries(bench_tick PRIVATE vialumo_mainwindow Qt6::Test)
if(TARGET vialumo_testdata)
  add_dependencies(bench_tick vialumo_testdata)
endif()

# A click on the route of the real map page to the sought picture on the
# video surface, beside the engine alone seeking in a plain native widget.
add_executable(bench_seek ${CMAKE_CURRENT_LIST_DIR}/bench_seek.cpp)
target_link_libraries(bench_seek PRIVATE vialumo_warnings)
target_include_directories(bench_seek PRIVATE ${CMAKE_SOURCE_DIR}/bench/support ${CMAKE_SOURCE_DIR}/tests/support
                           ${CMAKE_SOURCE_DIR}/tests/mainwindow)
target_compile_definitions(bench_seek PRIVATE VIALUMO_TESTDATA_DIR="${CMAKE_BINARY_DIR}/testdata"
                           VIALUMO_DEPLOY_DIR="${VIALUMO_DEPLOY_DIR}")
target_link_libraries(bench_seek PRIVATE vialumo_mainwindow Qt6::Test)
add_dependencies(bench_seek vialumo_deploy)
if(TARGET vialumo_testdata_drive)
  add_dependencies(bench_seek vialumo_testdata_drive)
endif()

# A card of 2,000 clips imported through the real window: the longest
# event-loop gap, and the total beside listing and opening the same files.
add_executable(bench_folderimport ${CMAKE_CURRENT_LIST_DIR}/bench_folderimport.cpp)
target_link_libraries(bench_folderimport PRIVATE vialumo_warnings)
target_include_directories(bench_folderimport PRIVATE ${CMAKE_SOURCE_DIR}/bench/support ${CMAKE_SOURCE_DIR}/tests/support)
target_compile_definitions(bench_folderimport PRIVATE VIALUMO_TESTDATA_DIR="${CMAKE_BINARY_DIR}/testdata")
target_link_libraries(bench_folderimport PRIVATE vialumo_mainwindow Qt6::Test)
if(TARGET vialumo_testdata)
  add_dependencies(bench_folderimport vialumo_testdata)
endif()

# Hundreds of short clips autoplayed on the real map page: memory, file
# descriptors and threads after 20 recordings and after the last.
add_executable(bench_longsession ${CMAKE_CURRENT_LIST_DIR}/bench_longsession.cpp)
target_link_libraries(bench_longsession PRIVATE vialumo_warnings)
target_include_directories(bench_longsession PRIVATE ${CMAKE_SOURCE_DIR}/bench/support ${CMAKE_SOURCE_DIR}/tests/support
                           ${CMAKE_SOURCE_DIR}/tests/mainwindow)
target_compile_definitions(bench_longsession PRIVATE VIALUMO_TESTDATA_DIR="${CMAKE_BINARY_DIR}/testdata"
                           VIALUMO_DEPLOY_DIR="${VIALUMO_DEPLOY_DIR}")
target_link_libraries(bench_longsession PRIVATE vialumo_mainwindow Qt6::Test)
add_dependencies(bench_longsession vialumo_deploy)
if(TARGET vialumo_testdata)
  add_dependencies(bench_longsession vialumo_testdata)
endif()

# The choice of a recording to its route on the real offline map, with no
# network, beside the offline page alone given the same route.
add_executable(bench_offlinemap ${CMAKE_CURRENT_LIST_DIR}/bench_offlinemap.cpp)
target_link_libraries(bench_offlinemap PRIVATE vialumo_warnings)
target_include_directories(bench_offlinemap PRIVATE ${CMAKE_SOURCE_DIR}/bench/support ${CMAKE_SOURCE_DIR}/tests/support
                           ${CMAKE_SOURCE_DIR}/tests/mainwindow)
target_compile_definitions(bench_offlinemap PRIVATE VIALUMO_TESTDATA_DIR="${CMAKE_BINARY_DIR}/testdata"
                           VIALUMO_DEPLOY_DIR="${VIALUMO_DEPLOY_DIR}")
target_link_libraries(bench_offlinemap PRIVATE vialumo_mainwindow Qt6::Test)
add_dependencies(bench_offlinemap vialumo_deploy)
if(TARGET vialumo_testdata)
  add_dependencies(bench_offlinemap vialumo_testdata)
endif()
# 1,000 recordings with GPS and a G-sensor imported through the real window:
# the events ready after the import's end, and the longest event-loop gap.
add_executable(bench_events ${CMAKE_CURRENT_LIST_DIR}/bench_events.cpp ${CMAKE_SOURCE_DIR}/tests/support/accelwriter.cpp
               ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp)
target_link_libraries(bench_events PRIVATE vialumo_warnings)
target_include_directories(bench_events PRIVATE ${CMAKE_SOURCE_DIR}/bench/support ${CMAKE_SOURCE_DIR}/tests/support)
target_compile_definitions(bench_events PRIVATE VIALUMO_TESTDATA_DIR="${CMAKE_BINARY_DIR}/testdata")
target_link_libraries(bench_events PRIVATE vialumo_mainwindow vialumo_events Qt6::Test)
if(TARGET vialumo_testdata)
  add_dependencies(bench_events vialumo_testdata)
endif()
