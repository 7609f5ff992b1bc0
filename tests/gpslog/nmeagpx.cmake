# The line cutter under the text log readers.
vialumo_add_qtest(NAME tst_cappedlines
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cappedlines.cpp
  LIBS vialumo_gpslog)
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
# The GPX export of the real NMEA logs and GPX tracks in tests/data compared
# fix by fix with GPSBabel's reading of them (count, positions, times).
find_package(Python3 COMPONENTS Interpreter)
find_program(VIALUMO_GPSBABEL gpsbabel)
if(Python3_Interpreter_FOUND AND VIALUMO_GPSBABEL)
  add_test(NAME compare_gpx_export
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/compare-gpx-export.py --no-damaged
            --program $<TARGET_FILE:vialumo>
            ${CMAKE_SOURCE_DIR}/tests/data/nmea ${CMAKE_SOURCE_DIR}/tests/data/gpx)
  set_tests_properties(compare_gpx_export PROPERTIES TIMEOUT 300)
else()
  message(STATUS "compare_gpx_export not registered: it needs python3 and gpsbabel")
endif()
