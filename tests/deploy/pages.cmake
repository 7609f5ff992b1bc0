# The map pages as the build lays them out in the runnable folder, loaded with
# no network at all.
vialumo_add_qtest(NAME tst_map_pages
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_map_pages.cpp
  LIBS Qt6::WebEngineWidgets)
