# The MP4 box walker and the GPS stored inside videos: real files from
# tests/data, generated ones from tests/support/mp4gpswriter.
vialumo_add_qtest(NAME tst_mp4boxes
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_mp4boxes.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_gpslog)
vialumo_add_qtest(NAME tst_embeddedgps
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_embeddedgps.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
          ${CMAKE_SOURCE_DIR}/tests/support/teslaseiwriter.cpp
  LIBS vialumo_gpslog)
add_dependencies(tst_embeddedgps vialumo_teslabase)

# Playable videos with GPS inside (the 3-second test clip carrying each
# recorder layout), for end-to-end use: testdata/gps-<layout>.MP4.
add_executable(makegpsvideos ${CMAKE_SOURCE_DIR}/tests/support/makegpsvideos.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp ${CMAKE_SOURCE_DIR}/tests/support/teslaseiwriter.cpp)
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

# A short H.264 stream (Annex B, access unit delimiters on) that the Tesla
# tests turn into camera files with SEI messages in every frame.
set(VIALUMO_TESLA_BASE ${VIALUMO_TESTDATA_DIR}/tesla-base.h264)
add_custom_command(OUTPUT ${VIALUMO_TESLA_BASE}
  COMMAND ${FFMPEG_EXECUTABLE} -hide_banner -loglevel error -y
          -f lavfi -i testsrc=size=160x120:rate=10 -t 3
          -c:v libx264 -preset ultrafast -pix_fmt yuv420p -x264-params aud=1 -f h264 ${VIALUMO_TESLA_BASE}
  VERBATIM)
add_custom_target(vialumo_teslabase ALL DEPENDS ${VIALUMO_TESLA_BASE})
# The layouts of Novatek's "freeGPS " blocks, indexed and found in 'mdat'.
vialumo_add_qtest(NAME tst_novatekblocks
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_novatekblocks.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_gpslog)
# GPS in subtitle tracks: NMEA, lines of date, time and position, and
# Nextbase's binary records.
vialumo_add_qtest(NAME tst_subtitlegps
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_subtitlegps.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
  LIBS vialumo_gpslog)
# GPS in the SEI messages of Tesla camera files.
vialumo_add_qtest(NAME tst_teslagps
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_teslagps.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
          ${CMAKE_SOURCE_DIR}/tests/support/teslaseiwriter.cpp
  LIBS vialumo_gpslog)
add_dependencies(tst_teslagps vialumo_teslabase)
# The G-sensor layouts, against files made by tests/support/accelwriter.
vialumo_add_qtest(NAME tst_accelreaders
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_accelreaders.cpp ${CMAKE_SOURCE_DIR}/tests/support/mp4gpswriter.cpp
          ${CMAKE_SOURCE_DIR}/tests/support/accelwriter.cpp ${CMAKE_SOURCE_DIR}/tests/support/teslaseiwriter.cpp
  LIBS vialumo_gpslog)
add_dependencies(tst_accelreaders vialumo_teslabase)
