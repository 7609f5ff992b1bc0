# Run by `cmake --install` (install(SCRIPT) in the top CMakeLists.txt): writes
# the menu entry for the prefix being installed to, so that Exec and Path
# point into it, and installs it under share/applications. DESTDIR is honoured
# by file(INSTALL); the entry names the final prefix, without DESTDIR.
# Expects VIALUMO_DESKTOP_TEMPLATE, VIALUMO_DESKTOP_STAGING and
# VIALUMO_INSTALL_DIR (set by the install(CODE) before it).

set(program_dir "${CMAKE_INSTALL_PREFIX}/${VIALUMO_INSTALL_DIR}")
set(launcher "${CMAKE_INSTALL_PREFIX}/bin/vialumo")

# Values of type string escape the backslash; Exec is an exec-quoted command
# line on top of that: an argument holding a reserved character is put in
# double quotes, inside which " ` $ and \ take a backslash, and a literal %
# is written %%.
function(vialumo_desktop_string out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\n" "\\n" value "${value}")
  string(REPLACE "\t" "\\t" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

set(exec "${launcher}")
if(exec MATCHES "[] \t\n\"'\\\\><~|&;$*?#()`[]")
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\"" exec "${exec}")
  string(REPLACE "`" "\\`" exec "${exec}")
  string(REPLACE "$" "\\$" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "%" "%%" exec "${exec}")
vialumo_desktop_string(VIALUMO_DESKTOP_EXEC "${exec}")
vialumo_desktop_string(VIALUMO_DESKTOP_PATH "${program_dir}")

configure_file("${VIALUMO_DESKTOP_TEMPLATE}" "${VIALUMO_DESKTOP_STAGING}/vialumo.desktop" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${VIALUMO_DESKTOP_STAGING}/vialumo.desktop")
