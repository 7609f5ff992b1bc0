# The tile scheme handler in a real web view, with offline maps made at test
# time and a stand-in tile server.
vialumo_add_qtest(NAME tst_tilescheme
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tilescheme.cpp
  LIBS vialumo_mainwindow)
# Offline maps in the window: added, remembered, removed, bad files.
vialumo_add_qtest(NAME tst_tracora_offlinemaps
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_offlinemaps.cpp
  LIBS vialumo_mainwindow XCB)
