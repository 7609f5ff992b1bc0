# The command line's list of recordings, run as the built program with no
# display and as a function.
vialumo_add_qtest(NAME tst_listcommand
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_listcommand.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_commands)
add_dependencies(tst_listcommand vialumo)
