# The recording catalogue on files laid out like the recorder's, in a QTemporaryDir.
vialumo_add_qtest(NAME tst_uvideoandgpsfiles
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uvideoandgpsfiles.cpp
  LIBS vialumo_catalogue)
# Folder search and the off-thread import into the catalogue.
vialumo_add_qtest(NAME tst_ufoldersearch
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ufoldersearch.cpp
  LIBS vialumo_catalogue)
# The GPS source chain of a recording without the recorder's log, on
# generated videos and side files in a QTemporaryDir.
vialumo_add_qtest(NAME tst_gpssourcechain
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_gpssourcechain.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
          ${CMAKE_SOURCE_DIR}/tests/support/teslaseiwriter.cpp
  LIBS vialumo_catalogue)
add_dependencies(tst_gpssourcechain vialumo_teslabase)
# The cameras of one moment as one recording: the naming table over card
# trees made at test time, GPS from the first camera with any, later imports
# that join listed recordings.
vialumo_add_qtest(NAME tst_ucameragroups
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ucameragroups.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_catalogue)
