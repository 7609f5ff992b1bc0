# The recording catalogue on files laid out like the recorder's, in a QTemporaryDir.
vialumo_add_qtest(NAME tst_uvideoandgpsfiles
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uvideoandgpsfiles.cpp
  LIBS vialumo_core)
