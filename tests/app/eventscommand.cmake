# The command line's events and trips, run as the built program with no display.
vialumo_add_qtest(NAME tst_eventscommand
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_eventscommand.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
          ${CMAKE_SOURCE_DIR}/tests/support/accelwriter.cpp
  LIBS vialumo_gpslog)
add_dependencies(tst_eventscommand vialumo)
