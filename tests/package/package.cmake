# The Debian package: made by CPack from the build, its fields, dependencies
# and files checked against `cmake --install`, its dependencies resolved by
# apt (a simulation), and the program unpacked from it run without a display.
# A sanitizer build is no package to ship: the test belongs to the normal one.
if(NOT VIALUMO_SANITIZE)
  add_test(NAME package_deb
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-package.sh ${CMAKE_CPACK_COMMAND} ${CMAKE_COMMAND}
            ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/data/mp4-gps-box/NO20191130-120156-000121.MP4)
  set_tests_properties(package_deb PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()
