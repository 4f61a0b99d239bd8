# Installation and the Debian package (cpack -G DEB): the program, the simulator, the service
# unit (installed, not enabled), the desktop entry, its icon and the log's file type, the
# sound-making script, and
# the maintainer scripts that make the service's user. See scripts/package.sh.

# Only the full build has the program; the engine-only fuzz build never gets here.
if(NOT TARGET Vetrostan)
  return()
endif()

include(GNUInstallDirs)

install(TARGETS Vetrostan vetrostan-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# systemd also reads /usr/lib/systemd/system on Debian 12, and it is where later releases put units.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vetrostan.service DESTINATION lib/systemd/system)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vetrostan.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The measurement log's file type, so that the file manager opens "*.fil" with the program
# (Debian's triggers of shared-mime-info and desktop-file-utils update their caches).
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vetrostan-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME vetrostan.xml)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vetrostan.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/make_sounds.sh
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vetrostan)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vetrostan)
install(FILES ${CMAKE_SOURCE_DIR}/sim/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vetrostan
        RENAME README.sim.md)

set(CPACK_PACKAGE_NAME vetrostan)
set(CPACK_PACKAGE_VENDOR "Vetrostan")
set(CPACK_PACKAGE_CONTACT "Vetrostan maintainers <vetrostan@localhost>")
set(CPACK_PACKAGE_VERSION "1.0.0" CACHE STRING "Version of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ВЕСТ-RS485 dispatcher workstation of an egg-incubation hall")
set(CPACK_PACKAGE_DESCRIPTION
    "Polls the incubator controllers of a hall over an RS-485 bus through a USB adapter, shows\n"
    "their temperatures, humidity, trays and alarms, writes setpoints and programs into them,\n"
    "and keeps the plant configuration, the event journal and the measurement logs.\n"
    "Runs with windows (menu entry) or without them as the service vetrostan.service,\n"
    "which is installed but not enabled. Includes the controller simulator vetrostan-sim.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from dpkg-shlibdeps; what the program loads or calls at run time is listed here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Alarm clips are MP3 played through GStreamer: demuxing and decoding (base, good) and a sink.
# The shift's sheets are drawn with a font that has Cyrillic, on a server without a desktop too.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "passwd, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, fonts-dejavu-core")
# ALSA output without a sound server; espeak-ng and lame speak a "sound" folder (make_sounds.sh).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-alsa, espeak-ng, lame")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/prerm
    ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
