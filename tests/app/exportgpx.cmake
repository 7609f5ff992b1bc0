# The command line's GPX export, run as the built program with no display.
vialumo_add_qtest(NAME tst_exportgpx
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_exportgpx.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_gpslog)
add_dependencies(tst_exportgpx vialumo)
