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

# Staged in a folder of its own for each destination, so that installs to
# different places at the same time (a package being made while the build is
# installed elsewhere) never hand each other their entry.
string(SHA1 destination "$ENV{DESTDIR}|${CMAKE_INSTALL_PREFIX}")
set(staged "${VIALUMO_DESKTOP_STAGING}/${destination}/vialumo.desktop")
configure_file("${VIALUMO_DESKTOP_TEMPLATE}" "${staged}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE FILES "${staged}")
