# What `make install` and the package put on a system: the stripped programs, their desktop
# entries, metainfo, icons and man pages, the bridge's systemd unit and its defaults file,
# and the copyright and changelog files. The texts are made at configure time from their
# sources (version and dates from CMake and CHANGELOG.md, the copyright from LICENSE); the
# gzipped ones at build time.

include(GNUInstallDirs)
include(DimrixChangelog)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(dimrix_packaging_src ${PROJECT_SOURCE_DIR}/packaging)
set(dimrix_packaging_out ${PROJECT_BINARY_DIR}/packaging)
set(dimrix_docdir ${CMAKE_INSTALL_DATADIR}/doc/dimrix)

configure_file(${dimrix_packaging_src}/${DIMRIX_APP_ID}.metainfo.xml.in
               ${dimrix_packaging_out}/${DIMRIX_APP_ID}.metainfo.xml @ONLY)
configure_file(${dimrix_packaging_src}/dimrix.1.in ${dimrix_packaging_out}/dimrix.1 @ONLY)
configure_file(${dimrix_packaging_src}/${DIMRIX_MONITOR_APP_ID}.metainfo.xml.in
               ${dimrix_packaging_out}/${DIMRIX_MONITOR_APP_ID}.metainfo.xml @ONLY)
configure_file(${dimrix_packaging_src}/dimrix-monitor.1.in ${dimrix_packaging_out}/dimrix-monitor.1
               @ONLY)
# Where the bridge's unit and defaults file go: where systemd looks under the prefix
# (lib/systemd/system, not the multiarch library directory), and the prefix's
# configuration directory, which for /usr is /etc. The unit, the man page and the
# package's list of conffiles name them from here.
set(DIMRIX_UNIT_DIR lib/systemd/system)
set(DIMRIX_BRIDGE_DEFAULTS_FILE ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default/dimrix-bridge)
# The web console's password, which the unit hands to the service as a credential.
set(DIMRIX_BRIDGE_PASSWORD_FILE ${CMAKE_INSTALL_FULL_SYSCONFDIR}/dimrix-bridge/http-password)
string(REPLACE "-" "\\-" DIMRIX_MAN_UNIT_DIR "${CMAKE_INSTALL_PREFIX}/${DIMRIX_UNIT_DIR}")
string(REPLACE "-" "\\-" DIMRIX_MAN_DEFAULTS_FILE "${DIMRIX_BRIDGE_DEFAULTS_FILE}")
string(REPLACE "-" "\\-" DIMRIX_MAN_PASSWORD_FILE "${DIMRIX_BRIDGE_PASSWORD_FILE}")
configure_file(${dimrix_packaging_src}/dimrix-bridge.1.in ${dimrix_packaging_out}/dimrix-bridge.1
               @ONLY)
configure_file(${dimrix_packaging_src}/dimrix-bridge@.service.in
               ${dimrix_packaging_out}/dimrix-bridge@.service @ONLY)

# Debian's machine-readable copyright format, the licence text taken from LICENSE.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE dimrix_license)
string(REGEX REPLACE "^MIT License\n\nCopyright \\(c\\) [^\n]*\n\n" "" dimrix_license "${dimrix_license}")
string(REGEX REPLACE "\n$" "" dimrix_license "${dimrix_license}")
string(REGEX REPLACE "\n\n" "\n.\n" dimrix_license "${dimrix_license}")
string(REGEX REPLACE "\n" "\n " dimrix_license "${dimrix_license}")
file(WRITE ${dimrix_packaging_out}/copyright.new
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Dimrix
Upstream-Contact: ${DIMRIX_MAINTAINER}
Source: ${DIMRIX_HOMEPAGE}

Files: *
Copyright: ${DIMRIX_COPYRIGHT}
License: MIT

License: MIT
 ${dimrix_license}
")
configure_file(${dimrix_packaging_out}/copyright.new ${dimrix_packaging_out}/copyright COPYONLY)

# gzip -n: no name or time stamp inside, so the same sources give the same bytes.
set(dimrix_gzipped "")
foreach(name dimrix.1 dimrix-monitor.1 dimrix-bridge.1 changelog)
    add_custom_command(
        OUTPUT ${dimrix_packaging_out}/${name}.gz
        COMMAND gzip -9nfk ${name}
        DEPENDS ${dimrix_packaging_out}/${name}
        WORKING_DIRECTORY ${dimrix_packaging_out}
        COMMENT "Compressing ${name}"
        VERBATIM)
    list(APPEND dimrix_gzipped ${dimrix_packaging_out}/${name}.gz)
endforeach()
add_custom_target(dimrix_docs ALL DEPENDS ${dimrix_gzipped})

install(TARGETS dimrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${dimrix_packaging_src}/${DIMRIX_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dimrix_packaging_out}/${DIMRIX_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${dimrix_packaging_src}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${dimrix_packaging_out}/dimrix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The bus monitor, beside the panel; its icons are in the same hicolor tree.
install(TARGETS dimrix-monitor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${dimrix_packaging_src}/${DIMRIX_MONITOR_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dimrix_packaging_out}/${DIMRIX_MONITOR_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${dimrix_packaging_out}/dimrix-monitor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The network bridge, headless: no desktop entry. The guard lets the tree build while the
# program is not there yet.
if(TARGET dimrix-bridge)
    install(TARGETS dimrix-bridge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${dimrix_packaging_out}/dimrix-bridge.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${dimrix_packaging_out}/dimrix-bridge@.service DESTINATION ${DIMRIX_UNIT_DIR})
# /etc for /usr, as an absolute destination; under any other prefix a relative one, so
# that `cmake --install --prefix` (make install PREFIX=...) moves it along.
if(CMAKE_INSTALL_FULL_SYSCONFDIR MATCHES "^${CMAKE_INSTALL_PREFIX}/")
    set(dimrix_defaults_dir ${CMAKE_INSTALL_SYSCONFDIR}/default)
else()
    set(dimrix_defaults_dir ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default)
endif()
install(FILES ${dimrix_packaging_src}/dimrix-bridge.default DESTINATION ${dimrix_defaults_dir}
        RENAME dimrix-bridge)
# A package without a Debian revision is a native one: its changelog is changelog.gz.
install(FILES ${dimrix_packaging_out}/copyright DESTINATION ${dimrix_docdir})
install(FILES ${dimrix_packaging_out}/changelog.gz DESTINATION ${dimrix_docdir})

# `make uninstall`: removes the files the last install listed in install_manifest.txt.
add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt
            -P ${CMAKE_CURRENT_LIST_DIR}/DimrixUninstall.cmake
    COMMENT "Removing the installed files"
    VERBATIM)
