# NMEA logs and GPX documents read into fixes, and fixes written as GPX;
# the real files they are checked on are in tests/data.
vialumo_add_qtest(NAME tst_nmeareader
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_nmeareader.cpp
  LIBS vialumo_gpslog)
vialumo_add_qtest(NAME tst_gpx
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_gpx.cpp
  LIBS vialumo_gpslog)
# Telemetry subtitles (.SRT) of drones and cameras, checked on the real files
# in tests/data/srt against their own text.
vialumo_add_qtest(NAME tst_srtreader
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_srtreader.cpp
  LIBS vialumo_gpslog)
