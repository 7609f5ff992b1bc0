# The MP4 box walker and the GPS stored inside videos: real files from
# tests/data, generated ones from tests/support/mp4gpswriter.
vialumo_add_qtest(NAME tst_mp4boxes
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_mp4boxes.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_core)
vialumo_add_qtest(NAME tst_embeddedgps
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_embeddedgps.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_core)
