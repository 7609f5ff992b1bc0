# The GPS source chooser of import, play and export, on generated videos and
# side files in a QTemporaryDir.
vialumo_add_qtest(NAME tst_gpssourcechooser
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_gpssourcechooser.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_gpslog)
