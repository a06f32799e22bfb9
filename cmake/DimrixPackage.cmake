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
# The extended description under the summary; CPack indents it and turns empty lines
# into " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Dimrix is a desktop panel for up to 31 eight-channel PWM dimmer boards
that share one serial line (19200 baud, 8N1). The operator picks COM1 or
COM2 and connects, selects a board by its address (128 to 158), and sets
its eight channel levels from 0 to 100 per cent with eight sliders, each
move being sent at once.

Per-channel fades step every 25 ms; six presets and a master level are
broadcast to every board. COM1 and COM2 stand for the first and second
serial ports present, built-in UARTs first, then USB adapters.

The panel only transmits: its product is the exact byte stream on the
port. It reads nothing back and keeps no settings.

dimrix-monitor, the bus monitor, shows what the boards on a line hold,
decoded by their own rules, without ever writing to the line. It also
makes a virtual line, so the panel can be tried with nothing plugged in.")

include(CPack)
