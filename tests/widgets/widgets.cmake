vialumo_add_qtest(NAME tst_udoubleclickedwidget
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_udoubleclickedwidget.cpp
  LIBS vialumo_ui)
vialumo_add_qtest(NAME tst_uspeedmeter
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uspeedmeter.cpp
  LIBS vialumo_ui)
