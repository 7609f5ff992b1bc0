# The play list's index rules and the engine's failure paths need no window:
# the clips there are sound-only.
vialumo_add_qtest(NAME tst_uvlcwrapper_index
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uvlcwrapper_index.cpp
  LIBS vialumo_playback
  TIMEOUT 300)

# Real clips drawn into a real X window.
vialumo_add_qtest(NAME tst_uvlcwrapper
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uvlcwrapper.cpp
  LIBS vialumo_playback Qt6::Widgets
  XCB
  TIMEOUT 300)

# The allocator settings behind the wrapper's Stop(): bounded arenas, freed
# memory given back.
vialumo_add_qtest(NAME tst_enginememory
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_enginememory.cpp
  LIBS vialumo_playback
  TIMEOUT 120)

# The rules that keep the cameras of a recording at the front's time.
vialumo_add_qtest(NAME tst_usyncdecision
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_usyncdecision.cpp
  LIBS vialumo_playback
  TIMEOUT 60)

# Every camera of a recording played together on the real engine, each into
# a real X window of its own.
vialumo_add_qtest(NAME tst_uplaybackgroup
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uplaybackgroup.cpp
  LIBS vialumo_playback Qt6::Widgets
  XCB
  TIMEOUT 300)
# Its front camera is the twelve-second clip of tests/mainwindow/routemap.cmake.
add_dependencies(tst_uplaybackgroup vialumo_testdata_drive)
