vialumo_add_qtest(NAME tst_udoubleclickedwidget
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_udoubleclickedwidget.cpp
  LIBS vialumo_widgets)
vialumo_add_qtest(NAME tst_uspeedmeter
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uspeedmeter.cpp
  LIBS vialumo_widgets)
vialumo_add_qtest(NAME tst_udirectslider
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_udirectslider.cpp
  LIBS vialumo_widgets)
# The slider and the dials are checked under the program's own style sheet
# and pictures.
foreach(t tst_udirectslider tst_uspeedmeter)
  target_sources(${t} PRIVATE $<TARGET_OBJECTS:vialumo_resources>)
  add_dependencies(${t} vialumo_resources)
endforeach()
# The layouts of a recording's cameras: plain geometry.
vialumo_add_qtest(NAME tst_utilelayout
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_utilelayout.cpp
  LIBS vialumo_widgets)
