# What an install adds beside the programs (man pages, AppStream metainfo) and the Debian
# package built from it: `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr,
# which scripts/package does.

# Man pages, gzipped as Debian keeps them.
set(DAXWEL_MAN_PAGES daxwel-cli.1)
if(DAXWEL_BUILD_UI)
  list(APPEND DAXWEL_MAN_PAGES daxwel.1)
endif()
find_program(DAXWEL_GZIP gzip REQUIRED)
set(DAXWEL_MAN_OUTPUTS)
foreach(page ${DAXWEL_MAN_PAGES})
  set(source ${PROJECT_SOURCE_DIR}/resources/man/${page})
  set(copy ${PROJECT_BINARY_DIR}/man/${page})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${DAXWEL_GZIP} -9nf ${copy}
    DEPENDS ${source}
    VERBATIM)
  list(APPEND DAXWEL_MAN_OUTPUTS ${copy}.gz)
endforeach()
add_custom_target(daxwel_man ALL DEPENDS ${DAXWEL_MAN_OUTPUTS})
install(FILES ${DAXWEL_MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Bash completion, where bash-completion loads it on demand (by the command's name).
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/daxwel-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

if(DAXWEL_BUILD_UI)
  # Named after its component id, as software centres look it up.
  install(FILES ${PROJECT_SOURCE_DIR}/resources/daxwel.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME ar.com.mirvane.daxwel.metainfo.xml)
endif()

# A role, not a person; a packager who rebuilds it sets their own.
set(DAXWEL_MAINTAINER "Daxwel <daxwel@mirvane.com.ar>"
    CACHE STRING "Maintainer field of the Debian package: Name <address>")

# What Debian expects beside every package: the licence in its machine-readable copyright file
# and the changelog (a package without a Debian revision keeps it as changelog.gz).
set(DAXWEL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/daxwel)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in
               ${PROJECT_BINARY_DIR}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.gz
  COMMAND ${DAXWEL_GZIP} -9nkf ${PROJECT_BINARY_DIR}/doc/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog
  VERBATIM)
add_custom_target(daxwel_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright
              ${PROJECT_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${DAXWEL_DOC_DIR})
# The informational lintian tags this package carries on purpose, each with its reason.
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME daxwel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME daxwel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Mirvane)
set(CPACK_PACKAGE_CONTACT ${DAXWEL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programador de PIC de gama media (12F y 16F) por puerto paralelo")
# The summary above is the first line of Description; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Graba, verifica y borra los PIC 16F84, 16F84A, 16F870, 16F871, 16F872,
16F873, 16F874, 16F876, 16F877, 16F873A, 16F874A, 16F876A, 16F877A, 16F627,
16F628, 16F716, 16F72, 16F73, 16F74, 16F76, 16F77, 12F609, 12HV609, 12F615,
12HV615, 12F617, 16F610, 16HV610, 16F616, 16HV616, 12F752, 12HV752, 16F627A,
16F628A, 16F648A, 12F629, 12F675, 16F630, 16F676, 16F87, 16F88, 16F818,
16F819, 16F882, 16F883, 16F884, 16F886, 16F887, 16F631, 16F677, 16F684,
16F685, 16F687, 16F688, 16F689, 16F690, 12F683, 12F635, 16F636, 16F639,
16F785, 16HV785, 16F913, 16F914, 16F916, 16F917 y 16F946 a través de un
adaptador sencillo en el puerto paralelo (LPT), a partir de archivos Intel
HEX. Trae una ventana (daxwel), una línea de comandos (daxwel-cli) y un
adaptador simulado para probarlo sin hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.mirvane.com.ar")
# Depends names the Qt 6 and C++ libraries the binaries were linked against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (file dialog, context menus) in Spanish; the program runs without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
