# Read by cpack once per generator (CPACK_PROJECT_CONFIG_FILE).
if(CPACK_GENERATOR STREQUAL "ZIP")
    # The release archive: the app alone, as one relocatable "Zevra Tikit.app"
    # folder, named zevra-tikit-VERSION.zip.
    set(CPACK_COMPONENTS_ALL app)
    set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
    set(CPACK_ARCHIVE_APP_FILE_NAME "zevra-tikit-${CPACK_PACKAGE_VERSION}")
    set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_PACKAGING_INSTALL_PREFIX "/Zevra Tikit.app")
elseif(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
endif()
