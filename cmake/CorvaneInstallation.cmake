# What `cmake --install` puts on the machine, and the .deb that CPack builds
# from it (scripts/paquet.sh). The program is laid out as a desktop program:
#   bin/corvane, bin/corvane-demo
#   libexec/corvane/corvane-jet      the converter corvane runs as a child
#   share/corvane/*.sql              schemas, for corvane-demo
#   share/applications, share/metainfo, share/icons/hicolor, share/man/man1
set(CORVANE_ID fr.corvane.Corvane)
set(dossier_installation ${CMAKE_SOURCE_DIR}/installation)

install(TARGETS corvane corvane-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(CORVANE_JET)
  install(TARGETS corvane-jet RUNTIME DESTINATION ${CORVANE_INSTALL_JETDIR})
endif()
install(FILES ${CORVANE_SCHEMA} ${CORVANE_SCHEMA_MAINTENANCE} DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane)

install(FILES ${dossier_installation}/${CORVANE_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dossier_installation}/${CORVANE_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${dossier_installation}/icones/corvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(taille 16 22 24 32 48 64 128 256)
  install(FILES ${dossier_installation}/icones/corvane-${taille}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${taille}x${taille}/apps RENAME corvane.png)
endforeach()

# The man page, compressed as Debian keeps them (no time stamp: -n).
configure_file(${dossier_installation}/corvane.1.in ${CMAKE_BINARY_DIR}/corvane.1 @ONLY)
find_program(CORVANE_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/corvane.1.gz
  COMMAND ${CORVANE_GZIP} -9nkf ${CMAKE_BINARY_DIR}/corvane.1
  DEPENDS ${CMAKE_BINARY_DIR}/corvane.1)
add_custom_target(corvane_page_de_manuel ALL DEPENDS ${CMAKE_BINARY_DIR}/corvane.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/corvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package. Its dependencies are those of the installed programs'
# shared libraries, found by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Corvane <corvane@localhost>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Équipe Corvane <corvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gestion de l'automate de vente en libre-service")
# The long description, under the summary line (CPack indents it and turns
# the empty line into Debian's " .").
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Corvane est le poste de gestion d'un automate de vente en libre-service
(jetons, monnaie, cartes bancaires) : journal des ventes et tickets,
télécollectes, recherche par date, carte ou facture, rapports des ventes
sur une période (total, par jour, par mois), impression d'un rapport ou
d'un ticket, reprise de la base depuis la clé USB de l'automate,
conversion des anciennes bases Jet (Access).

Les données de l'automate sont gardées dans ~/.local/share/Corvane.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# No hand-listed dependency: on Debian 12 Qt's platform plugins (xcb,
# offscreen) come with libqt6gui6 and the CUPS print plugin with
# libqt6printsupport6, both found through the linked libraries.
set(CPACK_STRIP_FILES ON)
include(CPack)
