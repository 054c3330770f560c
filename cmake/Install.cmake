# Installation and the Debian package. Included from the top CMakeLists.txt
# before the subfolders, so that the settings below reach every target made
# there; the install rules themselves are added once the whole project is
# read (the targets live in the subfolders).
#
# Installed layout under a prefix P (docs/installing.md):
#   P/bin                          selvane-watcher, selvane-addin, qxdemo
#   P/lib                          libqxlib8.so, libvntlib8.so, libselvaneol.so
#                                  (with their SONAME links): the Watcher's
#                                  system directory
#   P/lib/pkgconfig                qxlib8.pc, selvaneol.pc
#   P/include                      qxlib8.h, vntlib8.h
#   P/include/selvane/ol           the add-in's shared library headers
#   P/share/dbus-1/services        the activation file, Exec= P/bin/selvane-watcher
#   P/share/dbus-1/interfaces      the interface XML files
#   P/share/selvane/help/{en,de}   the Watcher's HTML help (watcher.html)
#   P/share/icons/hicolor          the product icon (SVG and PNGs)
#   P/share/doc/selvane-watcher    README.md and the design notes
#
# The libraries go to P/lib, not to the multiarch folder, on every prefix:
# /usr/lib is on the dynamic loader's default path, and one layout for every
# prefix keeps the programs' RPATH ($ORIGIN/../lib) and the Watcher's system
# directory (the folder libselvaneol.so was loaded from) the same everywhere.
include(GNUInstallDirs)
set(CMAKE_INSTALL_LIBDIR lib CACHE PATH "Object code libraries (lib)" FORCE)
# Installed programs find the project's libraries beside them, wherever the
# prefix is; the build tree keeps its own absolute RPATH.
set(CMAKE_INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

function(selvane_install_rules)
  set(lib ${CMAKE_INSTALL_LIBDIR})
  set(shared_libraries qxlib8 vntlib8 selvaneol)
  # Versioned file names and SONAMEs: libqxlib8.so -> libqxlib8.so.8 ->
  # libqxlib8.so.8.1.0. The unversioned name stays, since the Watcher loads
  # <system directory>/libqxlib8.so by that name.
  set_target_properties(${shared_libraries} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  install(TARGETS ${shared_libraries} LIBRARY DESTINATION ${lib})

  set(programs selvane-watcher)
  foreach(program selvane-addin qxdemo)
    if(TARGET ${program})
      list(APPEND programs ${program})
    endif()
  endforeach()
  install(TARGETS ${programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # Headers an add-in author needs: the engine library's, the risk
  # library's, and the shared library's (which build on Qt Core).
  install(FILES ${PROJECT_SOURCE_DIR}/qxlib/include/qxlib8.h ${PROJECT_SOURCE_DIR}/vntlib/vntlib8.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/ol/include/ol
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/selvane FILES_MATCHING PATTERN "*.h")

  # pkg-config files name the prefix they are installed under, known only
  # when installing; they are written then, like the activation file below.
  # Outside /usr, where the loader does not look, programs built with them
  # get an RPATH to the prefix's libraries, so they run as installed.
  install(CODE "
    set(PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    set(PC_RPATH \"\")
    if(NOT PC_PREFIX STREQUAL \"/usr\")
      set(PC_RPATH \" -Wl,-rpath,\\\${libdir}\")
    endif()
    set(CMAKE_INSTALL_LIBDIR ${lib})
    set(CMAKE_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
    set(PROJECT_VERSION ${PROJECT_VERSION})
    foreach(pc qxlib8 selvaneol)
      set(target \"\$ENV{DESTDIR}\${PC_PREFIX}/${lib}/pkgconfig/\${pc}.pc\")
      message(STATUS \"Installing: \${target}\")
      configure_file(\"${PROJECT_SOURCE_DIR}/cmake/\${pc}.pc.in\" \"\${target}\" @ONLY)
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${target}\")
    endforeach()
  ")

  # The activation file names the installed Watcher by its full path, known
  # only when installing (cmake --install --prefix, or CPack's /usr), so it
  # is written then. DESTDIR (CPack's staging folder) is honoured.
  set(dbus_templates ${PROJECT_SOURCE_DIR}/dbus/templates)
  install(CODE "
    set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
    set(WATCHER_EXEC \"\${prefix}/${CMAKE_INSTALL_BINDIR}/selvane-watcher\")
    set(target \"\$ENV{DESTDIR}\${prefix}/${CMAKE_INSTALL_DATADIR}/dbus-1/services/org.selvane.SelvaneWatcher8.service\")
    message(STATUS \"Installing: \${target}\")
    configure_file(\"${dbus_templates}/org.selvane.SelvaneWatcher8.service.in\" \"\${target}\" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${target}\")
  ")
  file(GLOB interface_xml ${PROJECT_SOURCE_DIR}/dbus/interfaces/*.xml)
  install(FILES ${interface_xml} DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/interfaces)

  # Run-time data kept as files (the help pages) goes to
  # <prefix>/share/selvane, i.e. <system directory>/../share/selvane
  # (ol::dataDirectory): every file under share/ in the source tree.
  if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/share)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/share/ DESTINATION ${CMAKE_INSTALL_DATADIR}/selvane)
  endif()

  # The product icon, for the desktop's menus and task bar.
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/watcher/icons/png/selvane-watcher-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME selvane-watcher.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/watcher/icons/selvane-watcher.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  set(docdir ${CMAKE_INSTALL_DATADIR}/doc/selvane-watcher)
  file(GLOB design_notes ${PROJECT_SOURCE_DIR}/docs/*.md)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${design_notes} DESTINATION ${docdir})
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL selvane_install_rules)

# ---- the Debian package: cpack -G DEB in the build folder ----
set(CPACK_PACKAGE_NAME selvane-watcher)
set(CPACK_PACKAGE_VENDOR "Selvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Selvane Watcher developers <selvane-watcher@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "progress monitor of the Selvane 8 genetic-algorithm optimizer")
set(CPACK_PACKAGE_DESCRIPTION
  "The Selvane Watcher shows a running optimization of the Selvane 8 add-in in a compact always-on-top window and a full window with progress graphs, summary, log, population and stopping options, and lets people pause, resume and stop the run. It is started by the session bus on demand (D-Bus activation). The package also holds the engine library libqxlib8 with its header and pkg-config file, the risk-simulation library libvntlib8, the add-in's shared library libselvaneol, and the sample add-in selvane-addin.")
set(CPACK_GENERATOR DEB)
# Install into a staging folder with DESTDIR and the real prefix, so files
# written at install time (the activation file) name /usr, not the staging
# folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# Depends: from the binaries (dpkg-shlibdeps), plus the session bus that
# activates the Watcher.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "dbus-session-bus | default-dbus-session-bus")
# The package's own libraries are found in the package (dpkg-shlibdeps needs
# to know where).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The build tree holds the same data beside its libraries (build/<preset>/
# share/selvane next to build/<preset>/lib), so the programs run from the
# build tree (tests, scripts/run.sh) find the help pages as installed ones do.
file(GLOB_RECURSE selvane_data_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/share/*)
set(selvane_data_stamp ${CMAKE_BINARY_DIR}/share/selvane/.copied)
add_custom_command(OUTPUT ${selvane_data_stamp}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/share ${CMAKE_BINARY_DIR}/share/selvane
  COMMAND ${CMAKE_COMMAND} -E touch ${selvane_data_stamp}
  DEPENDS ${selvane_data_files}
  COMMENT "Copying the help pages into the build tree")
add_custom_target(selvane_data ALL DEPENDS ${selvane_data_stamp})
