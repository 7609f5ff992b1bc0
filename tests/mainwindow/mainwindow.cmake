# The main window owns a native video surface handed to libvlc: these tests
# run on a real X server.
vialumo_add_qtest(NAME tst_tracora_construction
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_construction.cpp
  LIBS vialumo_mainwindow XCB)
vialumo_add_qtest(NAME tst_tracora_mapbridge
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_mapbridge.cpp
  LIBS vialumo_mainwindow XCB)
vialumo_add_qtest(NAME tst_tracora_list
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_list.cpp
  LIBS vialumo_mainwindow XCB)
vialumo_add_qtest(NAME tst_tracora_display
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_display.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_mainwindow XCB)
# On a platform without OpenGL (no X server at all).
vialumo_add_qtest(NAME tst_tracora_offscreen
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_offscreen.cpp
  LIBS vialumo_mainwindow)
# Everyday use: keys, drops, the list's menu, folder imports, snapshots, the
# GPS shift and the settings across two windows.
vialumo_add_qtest(NAME tst_tracora_everyday
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_everyday.cpp
  LIBS vialumo_mainwindow XCB TIMEOUT 300)
# Recordings of several cameras: tiles, layouts, V, a click on a tile, labels
# of cameras that cannot play, a snapshot per camera, settings kept.
vialumo_add_qtest(NAME tst_tracora_cameras
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_cameras.cpp
  LIBS vialumo_mainwindow XCB TIMEOUT 300)
# Its front camera is the twelve-second clip of routemap.cmake.
add_dependencies(tst_tracora_cameras vialumo_testdata_drive)
# Clips: the marks, the export from the keys and the list's menu, its
# progress and Esc.
vialumo_add_qtest(NAME tst_tracora_export
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_export.cpp
  LIBS vialumo_mainwindow XCB TIMEOUT 300)
add_dependencies(tst_tracora_export vialumo_numbered_clips)
# The events: E and Shift+E, the Events view, the marks sent to the map.
vialumo_add_qtest(NAME tst_tracora_events
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_events.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_mainwindow vialumo_events XCB TIMEOUT 300)
