# The recording catalogue on files laid out like the recorder's, in a QTemporaryDir.
vialumo_add_qtest(NAME tst_uvideoandgpsfiles
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uvideoandgpsfiles.cpp
  LIBS vialumo_core)
# Folder search and the off-thread import into the catalogue.
vialumo_add_qtest(NAME tst_ufoldersearch
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ufoldersearch.cpp
  LIBS vialumo_core)
