# End-to-end test of the built program: a private Xvfb, a sample drive imported
# through the real file dialog, and the window checked from screen grabs and the
# map pages' console output. Its grabs are kept in <build>/e2e-output.
find_package(Python3 COMPONENTS Interpreter)
find_program(VIALUMO_XVFB Xvfb)
find_program(VIALUMO_XDOTOOL xdotool)
if(Python3_Interpreter_FOUND AND VIALUMO_XVFB AND VIALUMO_XDOTOOL AND EXISTS /usr/bin/import)
  add_test(NAME e2e_vialumo
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/e2e_vialumo.py
            --program $<TARGET_FILE:vialumo>
            --images ${VIALUMO_DEPLOY_DIR}/images
            --alsa-config ${VIALUMO_TESTDATA_DIR}/alsa-null.conf
            --sample-tool ${CMAKE_SOURCE_DIR}/tools/make-sample-drive
            --output ${CMAKE_BINARY_DIR}/e2e-output)
  # Its own X server: it needs no lock on the shared one, but takes both cores
  # for a while, so it runs alone.
  set_tests_properties(e2e_vialumo PROPERTIES LABELS "e2e" TIMEOUT 900 RUN_SERIAL TRUE)
else()
  message(STATUS "e2e_vialumo not registered: it needs python3, Xvfb, xdotool and ImageMagick's import")
endif()
# Everyday use of the built program: paths on the command line, real key
# presses through xdotool while a slider holds the focus, a snapshot, and the
# GPS shift remembered across two starts.
if(Python3_Interpreter_FOUND AND VIALUMO_XVFB AND VIALUMO_XDOTOOL AND EXISTS /usr/bin/import)
  add_test(NAME e2e_everyday
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/e2e_everyday.py
            --program $<TARGET_FILE:vialumo>
            --deploy ${VIALUMO_DEPLOY_DIR}
            --alsa-config ${VIALUMO_TESTDATA_DIR}/alsa-null.conf
            --ffmpeg ${FFMPEG_EXECUTABLE}
            --output ${CMAKE_BINARY_DIR}/e2e-output)
  set_tests_properties(e2e_everyday PROPERTIES LABELS "e2e" TIMEOUT 600 RUN_SERIAL TRUE)
endif()
# The real GoPro recording (GPS in its GPMF track) played in the built program:
# the map page's calls at the recording's own positions, the position text and
# the speedometer.
if(Python3_Interpreter_FOUND AND VIALUMO_XVFB AND VIALUMO_XDOTOOL AND EXISTS /usr/bin/import)
  add_test(NAME e2e_gopro
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/e2e_gopro.py
            --program $<TARGET_FILE:vialumo>
            --images ${VIALUMO_DEPLOY_DIR}/images
            --alsa-config ${VIALUMO_TESTDATA_DIR}/alsa-null.conf
            --gopro ${CMAKE_SOURCE_DIR}/tests/data/gopro/max-heromode.mp4
            --output ${CMAKE_BINARY_DIR}/e2e-output)
  set_tests_properties(e2e_gopro PROPERTIES LABELS "e2e" TIMEOUT 600 RUN_SERIAL TRUE)
endif()
# A seeded random session through the window: buttons, rows, sliders, keys,
# imports and deletes, with the list and the playing row checked after every
# action and a clean exit at the end. A longer run on demand:
#   tests/e2e/e2e_random.py --actions 500 --seed N --program ... (see README)
if(Python3_Interpreter_FOUND AND VIALUMO_XVFB AND VIALUMO_XDOTOOL AND EXISTS /usr/bin/import)
  add_test(NAME e2e_random
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/e2e_random.py
            --program $<TARGET_FILE:vialumo>
            --images ${VIALUMO_DEPLOY_DIR}/images
            --alsa-config ${VIALUMO_TESTDATA_DIR}/alsa-null.conf
            --sample-tool ${CMAKE_SOURCE_DIR}/tools/make-sample-drive
            --output ${CMAKE_BINARY_DIR}/e2e-output/random
            --actions 150 --seed 1515 --max-replays 0)
  # In the suite a failure is not shrunk (replays would take the time the
  # suite has; the failing actions are printed and a shrink is one command
  # away); the session alone takes 6 to 9 minutes under the sanitizers.
  set_tests_properties(e2e_random PROPERTIES LABELS "e2e" TIMEOUT 1500 RUN_SERIAL TRUE)
endif()
# Recordings of several cameras played together in the real window, their
# pictures read back from screen grabs: every tile shows its frame number as
# a stripe of bits. e2e_camera_window is the program's window with such
# recordings listed (tests/e2e/camerawindow.cpp); bench/playback uses it too.
add_executable(e2e_camera_window ${CMAKE_CURRENT_LIST_DIR}/camerawindow.cpp)
target_link_libraries(e2e_camera_window PRIVATE vialumo_warnings vialumo_mainwindow)
add_dependencies(e2e_camera_window vialumo_deploy)
if(Python3_Interpreter_FOUND AND VIALUMO_XVFB AND VIALUMO_XDOTOOL AND EXISTS /usr/bin/import)
  add_test(NAME e2e_cameras
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/e2e_cameras.py
            --window $<TARGET_FILE:e2e_camera_window>
            --images ${VIALUMO_DEPLOY_DIR}/images
            --alsa-config ${VIALUMO_TESTDATA_DIR}/alsa-null.conf
            --ffmpeg ${FFMPEG_EXECUTABLE}
            --output ${CMAKE_BINARY_DIR}/e2e-output/cameras)
  set_tests_properties(e2e_cameras PROPERTIES LABELS "e2e" TIMEOUT 600 RUN_SERIAL TRUE)
endif()
