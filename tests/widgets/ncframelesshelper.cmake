# The helper's source is compiled into its tests directly instead of linking
# vialumo_ui, so that these tests build while the rest of the window library
# (the main window) does not.
set(NCFRAMELESSHELPER_TEST_SOURCES ${CMAKE_SOURCE_DIR}/widgets/ncframelesshelper.cpp)

# Synthetic events with chosen global positions, offscreen.
vialumo_add_qtest(NAME tst_ncframelesshelper
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ncframelesshelper.cpp ${NCFRAMELESSHELPER_TEST_SOURCES}
  LIBS Qt6::Widgets)

# Real pointer input through xdotool on an X server.
vialumo_add_qtest(NAME tst_ncframelesshelper_x11
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ncframelesshelper_x11.cpp ${NCFRAMELESSHELPER_TEST_SOURCES}
  LIBS Qt6::Widgets
  XCB TIMEOUT 120)

foreach(t tst_ncframelesshelper tst_ncframelesshelper_x11)
  target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR})
endforeach()
