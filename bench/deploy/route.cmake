# The map page drawing a 24-hour route, and one clock call, in the deployed
# page inside a real web view; baselines from the same page in the same run.
add_executable(bench_route ${CMAKE_CURRENT_LIST_DIR}/bench_route.cpp ${CMAKE_SOURCE_DIR}/tests/deploy/mappagedriver.h)
target_link_libraries(bench_route PRIVATE vialumo_warnings)
target_include_directories(bench_route PRIVATE ${CMAKE_SOURCE_DIR}/bench/support ${CMAKE_SOURCE_DIR}/tests/deploy)
target_compile_definitions(bench_route PRIVATE VIALUMO_DEPLOY_DIR="${VIALUMO_DEPLOY_DIR}")
target_link_libraries(bench_route PRIVATE Qt6::WebEngineWidgets Qt6::WebChannel Qt6::Test)
add_dependencies(bench_route vialumo_deploy)
