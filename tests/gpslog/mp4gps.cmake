# The MP4 box walker and the GPS stored inside videos: real files from
# tests/data, generated ones from tests/support/mp4gpswriter.
vialumo_add_qtest(NAME tst_mp4boxes
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_mp4boxes.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_gpslog)
vialumo_add_qtest(NAME tst_embeddedgps
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_embeddedgps.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_gpslog)

# Playable videos with GPS inside (the 3-second test clip carrying each
# recorder layout), for end-to-end use: testdata/gps-<layout>.MP4.
add_executable(makegpsvideos ${CMAKE_SOURCE_DIR}/tests/support/makegpsvideos.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp)
target_include_directories(makegpsvideos PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(makegpsvideos PRIVATE vialumo_gpslog vialumo_warnings)
set(VIALUMO_GPS_VIDEOS)
foreach(layout novatek 70mai blackvue)
  list(APPEND VIALUMO_GPS_VIDEOS ${VIALUMO_TESTDATA_DIR}/gps-${layout}.MP4)
endforeach()
add_custom_command(OUTPUT ${VIALUMO_GPS_VIDEOS}
  COMMAND makegpsvideos ${VIALUMO_TESTDATA_DIR}/clip3s.MOV 3 ${VIALUMO_TESTDATA_DIR}
  DEPENDS makegpsvideos ${VIALUMO_TESTDATA_DIR}/clip3s.MOV VERBATIM)
add_custom_target(vialumo_gpsvideos ALL DEPENDS ${VIALUMO_GPS_VIDEOS})
# Any source made into one fix per video second, the video's start and
# length, the reader chosen for a file and the GPX written from each kind.
vialumo_add_qtest(NAME tst_gpsseconds
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_gpsseconds.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_gpslog)
# The G-sensor layouts, against files made by tests/support/accelwriter.
vialumo_add_qtest(NAME tst_accelreaders
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_accelreaders.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
          ${CMAKE_SOURCE_DIR}/tests/support/accelwriter.cpp
  LIBS vialumo_gpslog)
