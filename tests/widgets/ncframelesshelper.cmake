# Synthetic events with chosen global positions, offscreen.
vialumo_add_qtest(NAME tst_ncframelesshelper
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ncframelesshelper.cpp
  LIBS vialumo_widgets)

# Real pointer input through xdotool on an X server.
vialumo_add_qtest(NAME tst_ncframelesshelper_x11
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ncframelesshelper_x11.cpp
  LIBS vialumo_widgets
  XCB TIMEOUT 120)
