# Release packages, made by `cpack` in a build tree that is already built:
#   zevra-tikit-VERSION.zip           "Zevra Tikit.app/" (bin/zevra-tikit, the desktop
#                                     file and icon), the archive the app updates from
#   zevra-tikit_VERSION_ARCH.deb      the tray app under /usr
#   zevra-server_VERSION_ARCH.deb     the server and its systemd unit under /usr
# Install rules belong to the component "app" or "server" (see the top CMakeLists);
# packaging/CPackOptions.cmake picks the component and layout per generator.
set(CPACK_PACKAGE_NAME zevra-tikit)
set(CPACK_PACKAGE_VENDOR "Zevra")
set(CPACK_PACKAGE_CONTACT "Zevra Tikit developers <tikit@zevra.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Zevra Tikit, a time tracker for teams")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR ZIP DEB)
set(CPACK_COMPONENTS_ALL app server)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/CPackOptions.cmake)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_APP_PACKAGE_NAME zevra-tikit)
set(CPACK_DEBIAN_APP_DESCRIPTION "The tray app and its command line; it syncs with a zevra-server.")
# unzip unpacks updates; the interface and the reports need a sans-serif font.
set(CPACK_DEBIAN_APP_PACKAGE_DEPENDS "unzip, fonts-dejavu-core | fonts-noto-core")
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME zevra-server)
set(CPACK_DEBIAN_SERVER_DESCRIPTION "The tracking server: the team's time entries, screenshots and app releases.")
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_SERVER_PACKAGE_SUGGESTS "libqt6sql6-psql")

include(CPack)
