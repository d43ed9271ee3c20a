# `cmake --install` and `cpack -G DEB`.
#
# Layout below the prefix:
#   lib/vistro/          vistro, vistro-cli, vistro-simtarget and libVeltra_x64.so together:
#                        the probe binding looks for the library in the program's folder first,
#                        so the installed programs find the simulated probe without set-up
#   bin/                 links to the three programs
#   share/vistro/demo/   the demo firmware and project, read-only; the program opens a copy in
#                        the user's folder (persist/shipped_project.h)
#   share/applications/, share/icons/hicolor/   desktop entry and icon
#   share/doc/vistro/    README and licence
include(GNUInstallDirs)

set(VISTRO_INSTALL_PROGRAM_DIR lib/vistro)
set(VISTRO_INSTALL_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/vistro)

# The program finds the shipped projects relative to its own folder, so the installed tree
# can be moved (or installed into any prefix).
file(RELATIVE_PATH shipped_from_program
  /prefix/${VISTRO_INSTALL_PROGRAM_DIR} /prefix/${VISTRO_INSTALL_SHARE_DIR})
set_property(TARGET vistro_persist APPEND PROPERTY
  COMPILE_DEFINITIONS VISTRO_SHIPPED_FROM_PROGRAM="${shipped_from_program}")

install(TARGETS vistro vistro-cli vistro-simtarget Veltra_x64
  RUNTIME DESTINATION ${VISTRO_INSTALL_PROGRAM_DIR}
  LIBRARY DESTINATION ${VISTRO_INSTALL_PROGRAM_DIR})

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
file(RELATIVE_PATH program_from_bin
  /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${VISTRO_INSTALL_PROGRAM_DIR})
foreach(program vistro vistro-cli vistro-simtarget)
  file(CREATE_LINK ${program_from_bin}/${program} ${CMAKE_BINARY_DIR}/install-links/${program}
    SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/install-links/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# Whatever the demo folder holds at install time: firmware, project file, images.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/firmware/demo/
  DESTINATION ${VISTRO_INSTALL_SHARE_DIR}/demo
  FILE_PERMISSIONS OWNER_READ GROUP_READ WORLD_READ
  FILES_MATCHING PATTERN "*.elf" PATTERN "*.vistro" PATTERN "*.png" PATTERN "*.jpg"
                 PATTERN "*.bmp" PATTERN "*.txt" PATTERN "*.js")

# The desktop entry names the demo project by its full path, known only at install time (a
# package is installed below another prefix than the one configured).
install(CODE "
  set(VISTRO_DEMO_PROJECT \"\${CMAKE_INSTALL_PREFIX}/${VISTRO_INSTALL_SHARE_DIR}/demo/demo.vistro\")
  configure_file(\"${PROJECT_SOURCE_DIR}/packaging/vistro.desktop.in\"
                 \"${CMAKE_BINARY_DIR}/packaging/vistro.desktop\" @ONLY)")
install(FILES ${CMAKE_BINARY_DIR}/packaging/vistro.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/vistro.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/vistro-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME vistro.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vistro)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vistro)

# Debian package: runtime dependencies come from the linked libraries (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME vistro)
set(CPACK_PACKAGE_VENDOR "Tarvik")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Dashboard for embedded targets sampled through a debug probe")
set(CPACK_PACKAGE_DESCRIPTION
  "Vistro reads a firmware ELF file with its debug information, lists the global variables\nand shows them live, sampled through a debug probe, on a board of gauges, LEDs, displays\nand graphs. Ships with a simulated probe and target and a demo project.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vistro maintainers <vistro@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
