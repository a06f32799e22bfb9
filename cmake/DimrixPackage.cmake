# `make package`: a Debian package of the installed files, made by CPack from a Release
# tree configured for /usr. Dependencies come from dpkg-shlibdeps; the Qt platform
# plugins are added by hand because Qt loads them at run time, so no linker sees them.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dimrix)
set(CPACK_PACKAGE_VENDOR "The Dimrix developers")
set(CPACK_PACKAGE_CONTACT "${DIMRIX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${DIMRIX_SUMMARY}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DIMRIX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${DIMRIX_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The bridge's defaults file is the administrator's to edit: an upgrade must ask before it
# replaces a changed one. Nothing else goes in the control area: no maintainer script, so
# installing the package never enables or starts the bridge's service.
file(WRITE ${PROJECT_BINARY_DIR}/packaging/conffiles "${DIMRIX_BRIDGE_DEFAULTS_FILE}\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The extended description under the summary, from packaging/dimrix.description.txt; CPack
# indents it and turns empty lines into " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${DIMRIX_DESCRIPTION}")

include(CPack)
