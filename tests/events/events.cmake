# The events of a recording: detection from generated G-sensor traces and
# GPS speeds, the recorder's marks on generated card trees, and the analysis
# of generated recordings as the import runs it.
vialumo_add_qtest(NAME tst_ueventdetector
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ueventdetector.cpp ${CMAKE_SOURCE_DIR}/tests/support/accelwriter.cpp
          ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_events)
vialumo_add_qtest(NAME tst_urecordermarks
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_urecordermarks.cpp
  LIBS vialumo_events)
vialumo_add_qtest(NAME tst_urecordingevents
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_urecordingevents.cpp ${CMAKE_SOURCE_DIR}/tests/support/accelwriter.cpp
          ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_events)
