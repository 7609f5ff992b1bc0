# The installed program: `cmake --install` into temporary prefixes, the files
# and menu entry a desktop needs, and the program started through the menu
# entry's command, on the suite's X server, then closed with its close button.
add_test(NAME install_desktop
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-install.sh ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR})
# No sandbox switch here: the script sets one only when it runs as root.
set_tests_properties(install_desktop PROPERTIES
  ENVIRONMENT "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu;ALSA_CONFIG_PATH=${VIALUMO_TESTDATA_DIR}/alsa-null.conf;QT_LOGGING_RULES=qt.webenginecontext.debug=false"
  LABELS "xcb" RESOURCE_LOCK xserver TIMEOUT 300 SKIP_RETURN_CODE 77)
