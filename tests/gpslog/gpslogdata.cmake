# GPS log lines and track loading; files live in a QTemporaryDir.
vialumo_add_qtest(NAME tst_gpslogdata
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_gpslogdata.cpp
  LIBS vialumo_gpslog)
