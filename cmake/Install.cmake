# Installing: the program, the command, the user guide, a menu entry and its icon.
include(GNUInstallDirs)
# Debian names documentation folders after the package, in lower case.
set(TRAJETIX_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/trajetix)

configure_file(${PROJECT_SOURCE_DIR}/resources/Readme.txt ${CMAKE_BINARY_DIR}/bin/Readme.txt COPYONLY)

# The read-me link opens "Readme.txt" in the working folder, so the menu entry starts
# the program in the folder that holds the installed guide. The prefix is only known
# when installing (cmake --install --prefix, or the package's /usr), so the entry is
# written then.
install(CODE "
    set(TRAJETIX_DOC_DIR \"\${CMAKE_INSTALL_PREFIX}/${TRAJETIX_INSTALL_DOCDIR}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/resources/desktop/trajetix.desktop.in\"
                   \"${CMAKE_BINARY_DIR}/install-files/trajetix.desktop\" @ONLY)
")

install(TARGETS trajetix trajetix-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/Readme.txt DESTINATION ${TRAJETIX_INSTALL_DOCDIR})
install(FILES ${CMAKE_BINARY_DIR}/install-files/trajetix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/icons/trajetix.svg)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/trajetix.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_PACKAGE_NAME trajetix)
set(CPACK_PACKAGE_VENDOR "Trajetix")
set(CPACK_PACKAGE_CONTACT "Trajetix maintainers <contato@trajetix.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Estimates travel distance and time between pairs of addresses")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Trajetix maintainers <contato@trajetix.example>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-wqy-microhei, ca-certificates")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
