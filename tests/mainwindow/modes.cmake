# Display modes of the main window on a real X server. Full screen needs a
# window manager: the test starts openbox for its own run.
vialumo_add_qtest(NAME tst_tracora_modes
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_modes.cpp
  LIBS vialumo_mainwindow XCB TIMEOUT 300)
