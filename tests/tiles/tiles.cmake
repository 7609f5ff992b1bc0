# The offline map readers, the tile cache and the tile service, without a
# window: files made at test time, a local stand-in for the tile server.
vialumo_add_qtest(NAME tst_offlinemaps
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_offlinemaps.cpp
  LIBS vialumo_tiles)
vialumo_add_qtest(NAME tst_tilecache
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tilecache.cpp
  LIBS vialumo_tiles)
vialumo_add_qtest(NAME tst_tileservice
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_tileservice.cpp
  LIBS vialumo_tiles)
