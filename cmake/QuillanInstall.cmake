# What `cmake --install` puts where, and the Debian package CPack makes of it.
include(GNUInstallDirs)

install(TARGETS quillan-cli zav-gateway-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quillan)
    install(TARGETS quillan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillan.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillan.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/docs/quillan-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillan-cli.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quillan-cli)
# The guide with the pictures it shows.
install(FILES ${PROJECT_SOURCE_DIR}/docs/user-guide.md
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillan)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/screenshots
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillan)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quillan developers <quillan@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configurator for ZAV Gateway Module wireless I/O networks")
set(CPACK_PACKAGE_DESCRIPTION "Quillan describes a wireless I/O network of ZAV Gateway \
Modules in a project file and writes it into the gateways over their USB serial cable. It \
includes quillan-cli for scripted use and zav-gateway-sim, a simulated gateway.")
set(CPACK_DEBIAN_PACKAGE_RELEASE 11)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The runtime packages follow from the libraries the binaries link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
