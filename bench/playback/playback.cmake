# Cameras of one recording played together in the real window, read from
# the screen: their offsets at 1x, 0.25x and 4x, seeks, paused frame steps,
# and the pictures three streams lose beside one alone. A Python script
# (bench_camerasync.py) drives e2e_camera_window (tests/e2e) and, for the
# baseline, camerasync_bare: the same clips in plain libvlc players.
add_executable(camerasync_bare ${CMAKE_CURRENT_LIST_DIR}/camerasync_bare.cpp)
target_link_libraries(camerasync_bare PRIVATE vialumo_warnings Qt6::Widgets PkgConfig::LIBVLC)
if(NOT TARGET e2e_camera_window)
  add_executable(e2e_camera_window ${CMAKE_SOURCE_DIR}/tests/e2e/camerawindow.cpp)
  target_link_libraries(e2e_camera_window PRIVATE vialumo_warnings vialumo_mainwindow)
  add_dependencies(e2e_camera_window vialumo_deploy)
endif()
find_package(Python3 COMPONENTS Interpreter)
find_program(FFMPEG_EXECUTABLE ffmpeg)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/bench/bench_camerasync
  CONTENT "#!/bin/sh
exec ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/bench_camerasync.py \\
  --window $<TARGET_FILE:e2e_camera_window> --bare $<TARGET_FILE:camerasync_bare> \\
  --images ${VIALUMO_DEPLOY_DIR}/images --alsa-config ${CMAKE_BINARY_DIR}/bench/alsa-null.conf \\
  --ffmpeg ${FFMPEG_EXECUTABLE} --output ${CMAKE_BINARY_DIR}/bench-output/camerasync \"$@\"
"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(WRITE ${CMAKE_BINARY_DIR}/bench/alsa-null.conf "pcm.!default { type null }\nctl.!default { type hw card 0 }\n")
add_custom_target(bench_camerasync DEPENDS e2e_camera_window camerasync_bare vialumo_deploy)
