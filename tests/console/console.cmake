# The player console without a window: paging, the map page bridge and the
# display tick are plain functions and a small state class.
vialumo_add_qtest(NAME tst_ulistpaging
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ulistpaging.cpp
  LIBS vialumo_console)
vialumo_add_qtest(NAME tst_umapbridge
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_umapbridge.cpp
  LIBS vialumo_console)
vialumo_add_qtest(NAME tst_udisplaytick
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_udisplaytick.cpp
  LIBS vialumo_console)
vialumo_add_qtest(NAME tst_umaproute
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_umaproute.cpp
  LIBS vialumo_console)
# The keys, the steps they take, snapshot names and the import's words.
vialumo_add_qtest(NAME tst_ukeybindings
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ukeybindings.cpp
  LIBS vialumo_console)
vialumo_add_qtest(NAME tst_uplaybacksteps
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uplaybacksteps.cpp
  LIBS vialumo_console)
vialumo_add_qtest(NAME tst_usnapshotname
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_usnapshotname.cpp
  LIBS vialumo_console)
vialumo_add_qtest(NAME tst_uimportprogress
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uimportprogress.cpp
  LIBS vialumo_console)
# Speeds in the chosen unit, and the recording's local time beside UTC.
vialumo_add_qtest(NAME tst_uspeedunit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uspeedunit.cpp
  LIBS vialumo_console)
vialumo_add_qtest(NAME tst_urecordingtime
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_urecordingtime.cpp
  LIBS vialumo_console)
# A recording's cameras in the list: mark, tooltip, the name fitted to its cell.
vialumo_add_qtest(NAME tst_urecordingtext
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_urecordingtext.cpp
  LIBS vialumo_console)
# What the tiles of a recording's cameras show.
vialumo_add_qtest(NAME tst_ucameratiles
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ucameratiles.cpp
  LIBS vialumo_console)
# The clip's marks and the export's words.
vialumo_add_qtest(NAME tst_uclipmarks
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uclipmarks.cpp
  LIBS vialumo_console)
# Trips, the events as the view, the keys and the command line see them, and
# the map page's calls for them.
vialumo_add_qtest(NAME tst_utrips
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_utrips.cpp
  LIBS vialumo_console)
vialumo_add_qtest(NAME tst_ueventrows
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ueventrows.cpp
  LIBS vialumo_console)
