# Who the program is to a desktop, a software centre and Debian. The application id
# names the desktop file, the metainfo and the icons, and is what the program gives
# QGuiApplication::setDesktopFileName, so a desktop can match the window to its entry.

set(DIMRIX_APP_ID io.github.dimrix.Dimrix)
set(DIMRIX_MAINTAINER "The Dimrix developers <dimrix@users.noreply.github.com>")
set(DIMRIX_HOMEPAGE https://github.com/dimrix/dimrix)
set(DIMRIX_SCREENSHOT_URL https://raw.githubusercontent.com/dimrix/dimrix/main/docs/dimrix.png)
# The bus monitor, a program of its own beside the panel: its own desktop entry,
# metainfo and icons.
set(DIMRIX_MONITOR_APP_ID io.github.dimrix.DimrixMonitor)
set(DIMRIX_MONITOR_SCREENSHOT_URL
    https://raw.githubusercontent.com/dimrix/dimrix/main/docs/dimrix-monitor.png)
# Who holds the copyright, as LICENSE says it ("2026 The Dimrix developers"); the
# Windows programs and their installer name the holder, without the years, as publisher.
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/LICENSE)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE _dimrix_license)
if(NOT _dimrix_license MATCHES "Copyright \\(c\\) (([0-9, -]+) ([^\n]+))")
    message(FATAL_ERROR "LICENSE: no line \"Copyright (c) YEARS HOLDER\"")
endif()
set(DIMRIX_COPYRIGHT "${CMAKE_MATCH_1}")
set(DIMRIX_PUBLISHER "${CMAKE_MATCH_3}")
