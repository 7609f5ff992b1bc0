# Launch of the real program to its window shown, beside a bare Qt window
# with a web view (startup_bare_window, the baseline, built here too).
find_package(X11 REQUIRED)
add_executable(startup_bare_window ${CMAKE_CURRENT_LIST_DIR}/startup_bare_window.cpp)
target_link_libraries(startup_bare_window PRIVATE vialumo_warnings)
target_link_libraries(startup_bare_window PRIVATE Qt6::Widgets Qt6::WebEngineWidgets)

add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp)
target_link_libraries(bench_startup PRIVATE vialumo_warnings)
target_compile_definitions(bench_startup PRIVATE
  VIALUMO_DEPLOY_DIR="${VIALUMO_DEPLOY_DIR}"
  VIALUMO_TESTDATA_DIR="${CMAKE_BINARY_DIR}/testdata"
  STARTUP_BARE_WINDOW="$<TARGET_FILE:startup_bare_window>")
target_link_libraries(bench_startup PRIVATE X11::X11 X11::Xext)
add_dependencies(bench_startup vialumo startup_bare_window)

# Double-click to first frame in the real main window, beside the engine
# alone playing into a plain native widget.
add_executable(bench_firstframe ${CMAKE_CURRENT_LIST_DIR}/bench_firstframe.cpp)
target_link_libraries(bench_firstframe PRIVATE vialumo_warnings)
target_include_directories(bench_firstframe PRIVATE ${CMAKE_SOURCE_DIR}/bench/support ${CMAKE_SOURCE_DIR}/tests/support)
target_compile_definitions(bench_firstframe PRIVATE VIALUMO_TESTDATA_DIR="${CMAKE_BINARY_DIR}/testdata")
target_link_libraries(bench_firstframe PRIVATE vialumo_mainwindow Qt6::Test)
if(TARGET vialumo_testdata)
  add_dependencies(bench_firstframe vialumo_testdata)
endif()
