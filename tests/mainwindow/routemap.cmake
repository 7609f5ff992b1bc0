# The route on the online map in the real window: the route, the clock, the
# previous route and seeking from the real page through the web channel.
# Its clip tells the second it shows by the grey of its top quarter.
add_custom_command(OUTPUT ${VIALUMO_TESTDATA_DIR}/drive12s.MOV
  COMMAND ${FFMPEG_EXECUTABLE} -hide_banner -loglevel error -y
          -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440 -t 12
          -vf "format=yuv420p,geq=lum='if(lt(Y,H/4),16+20*floor(T),lum(X,Y))':cb='if(lt(Y,H/4),128,cb(X,Y))':cr='if(lt(Y,H/4),128,cr(X,Y))'"
          -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac
          ${VIALUMO_TESTDATA_DIR}/drive12s.MOV
  VERBATIM)
add_custom_target(vialumo_testdata_drive ALL DEPENDS ${VIALUMO_TESTDATA_DIR}/drive12s.MOV)
vialumo_add_qtest(NAME tst_tracora_routemap
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_routemap.cpp ${CMAKE_CURRENT_LIST_DIR}/realmappage.h ${CMAKE_CURRENT_LIST_DIR}/driveclip.h
  LIBS vialumo_mainwindow XCB)
add_dependencies(tst_tracora_routemap vialumo_testdata_drive)
# The real window with no network: the real offline map after the real
# online map's fallback, the track followed, seeking from the offline map,
# every request counted; the speed unit's menu and the local times.
vialumo_add_qtest(NAME tst_tracora_offline
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tracora_offline.cpp ${CMAKE_CURRENT_LIST_DIR}/realmappage.h
          ${CMAKE_CURRENT_LIST_DIR}/driveclip.h ${CMAKE_SOURCE_DIR}/tests/support/requestcounter.h
  LIBS vialumo_ui XCB)
add_dependencies(tst_tracora_offline vialumo_testdata_drive)
