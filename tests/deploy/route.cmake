# The map page's route, speed profile, clock and seeking, in the deployed page
# with the player's channel object played by the test.
vialumo_add_qtest(NAME tst_map_route
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_map_route.cpp ${CMAKE_CURRENT_LIST_DIR}/mappagedriver.h
  LIBS Qt6::WebEngineWidgets Qt6::WebChannel)
# The page's events, G-sensor trace and trip.
vialumo_add_qtest(NAME tst_map_events
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_map_events.cpp ${CMAKE_CURRENT_LIST_DIR}/mappagedriver.h
  LIBS Qt6::WebEngineWidgets Qt6::WebChannel)
