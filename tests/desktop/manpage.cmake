# The man page as the build makes it: every key of the key table and every
# option of --help in it, its own sections, and no complaint from man.
if(TARGET vialumo_manpage)
  vialumo_add_qtest(NAME tst_manpage
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_manpage.cpp
    LIBS vialumo_console)
  target_compile_definitions(tst_manpage PRIVATE VIALUMO_MANPAGE="${CMAKE_BINARY_DIR}/desktop/vialumo.1.gz")
  add_dependencies(tst_manpage vialumo_manpage)
endif()
