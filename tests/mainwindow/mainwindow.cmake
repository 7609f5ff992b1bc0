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
# The events: E and Shift+E, the Events view, the marks sent to the map.
vialumo_add_qtest(NAME tst_tracora_events
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_events.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_mainwindow vialumo_events XCB TIMEOUT 300)
