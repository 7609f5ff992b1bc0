# The command line's clip export and its check, run as the built program
# with no display.
vialumo_add_qtest(NAME tst_exportclip
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_exportclip.cpp)
add_dependencies(tst_exportclip vialumo vialumo_numbered_clips)
