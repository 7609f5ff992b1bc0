# The map pages' base: the offline map's shipped world and the tiles the
# player names, in the deployed pages, with every request the pages make
# counted.
vialumo_add_qtest(NAME tst_map_basemap
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_map_basemap.cpp ${CMAKE_CURRENT_LIST_DIR}/mappagedriver.h
          ${CMAKE_SOURCE_DIR}/tests/support/requestcounter.h
  LIBS Qt6::WebEngineWidgets Qt6::WebChannel)
