# The command-line options of every program, described once: each program's --help prints
# these texts (src/app/OptionTexts.h.in, src/monitor/qt/MonitorOptionTexts.h.in,
# src/bridge/qt/BridgeOptionTexts.h.in) and its man page lists them (packaging/*.1.in), so
# the two cannot drift apart. No semicolons: a CMake string would split there.

set(DIMRIX_OPTION_HELP "Show this help and exit.")
set(DIMRIX_OPTION_VERSION "Show the version and exit.")
set(DIMRIX_OPTION_COM1
    "COM1 stands for this device (a path such as /dev/ttyUSB1 or /dev/pts/3) instead of the port chosen from the system's list. It is opened when GO is pressed, as any port.")
set(DIMRIX_OPTION_COM2
    "COM2 stands for this device instead of the port chosen from the system's list.")
set(DIMRIX_OPTION_QT_NOTE
    "Qt's own options, such as -platform offscreen, are accepted as well.")
set(DIMRIX_OPTION_USAGE_ERROR
    "An unknown option, a missing device or any other argument prints the usage on standard error and ends with exit status 2.")

set(DIMRIX_MONITOR_OPTION_TEXT
    "Print one line per frame on standard output instead of showing a window. It needs DEVICE or --virtual: without a window there is nobody to ask which line.")
set(DIMRIX_MONITOR_OPTION_VIRTUAL
    "Make a virtual line: print its device (/dev/pts/N) on the first line of standard output, and monitor what a panel writes to it.")
set(DIMRIX_MONITOR_OPTION_DEVICE
    "The serial device on the line (/dev/ttyUSB1, COM3 on Windows). Without one, and without --virtual, the window first offers the serial ports present to choose from, USB adapters first, and on Linux the virtual line too.")

set(DIMRIX_BRIDGE_OPTION_LINE
    "A serial line and where it sits in a universe: DEVICE[:UNIVERSE[:START]]. UNIVERSE is the sACN universe (1 to 63999, default 1), START the DMX slot of board 128's channel 0 (default 1): board 128+k channel c takes slot START+8k+c, so the line's 248 slots must end by slot 512.")
set(DIMRIX_BRIDGE_OPTION_LOSS
    "What the boards show once every source is gone: hold keeps the last look (the default), off sends All OFF.")
set(DIMRIX_BRIDGE_OPTION_SACN_ONLY "Listen for sACN (E1.31, UDP port 5568) only.")
set(DIMRIX_BRIDGE_OPTION_ARTNET_ONLY "Listen for Art-Net (UDP port 6454) only.")
set(DIMRIX_BRIDGE_OPTION_BIND
    "Listen on the interface with this IPv4 address only, instead of on every interface.")
set(DIMRIX_BRIDGE_OPTION_QUIET
    "Leave out the lines about sources appearing, going or refused. The start-up lines and the serial lines' faults are still printed.")
set(DIMRIX_BRIDGE_OPTION_HTTP
    "Where the web console is served: ADDRESS:PORT (an IPv6 address in brackets), PORT on every interface (or on the one --bind names), or off. The default is port 9230.")
set(DIMRIX_BRIDGE_OPTION_HTTP_PASSWORD_FILE
    "The web console asks for the password on the first line of FILE (any user name). A FILE that its group or others may read is refused at start. Without it, or when that line is empty, anyone who reaches the port can drive the lights.")
set(DIMRIX_BRIDGE_OPTION_HTTP_PRIORITY
    "The sACN priority the web console's source starts at, 1 to 200 (default 100). It can be changed on the page.")
set(DIMRIX_BRIDGE_LEVELS
    "DMX levels 0 to 255 become the boards' levels 0 to 100, rounded to nearest: 255 is 100, 128 is 50, 3 is 1 and 1 is 0.")
set(DIMRIX_BRIDGE_ARTNET_ADDRESS
    "sACN universe U up to 32768 is Art-Net Port-Address U-1: universe 1 is Art-Net 0:0:0, universe 32768 is 127:15:15. A Port-Address has 15 bits, so a line on a universe above 32768 has no Art-Net address: ArtPollReply does not list it, and no ArtDmx reaches it.")

# The line under the usage: the summary (cmake/DimrixDescription.cmake) as a sentence.
set(DIMRIX_HELP_DESCRIPTION "${DIMRIX_SUMMARY_CAPITALISED}.")
set(DIMRIX_MONITOR_HELP_DESCRIPTION "${DIMRIX_MONITOR_SUMMARY_CAPITALISED}.")
set(DIMRIX_BRIDGE_HELP_DESCRIPTION "${DIMRIX_BRIDGE_SUMMARY_CAPITALISED}.")

# The same texts for roff, where a plain hyphen is not a minus sign.
foreach(name HELP VERSION COM1 COM2 QT_NOTE USAGE_ERROR)
    string(REPLACE "-" "\\-" DIMRIX_MAN_OPTION_${name} "${DIMRIX_OPTION_${name}}")
endforeach()
foreach(name TEXT VIRTUAL DEVICE)
    string(REPLACE "-" "\\-" DIMRIX_MAN_MONITOR_OPTION_${name} "${DIMRIX_MONITOR_OPTION_${name}}")
endforeach()
foreach(name LINE LOSS SACN_ONLY ARTNET_ONLY BIND QUIET HTTP HTTP_PASSWORD_FILE HTTP_PRIORITY)
    string(REPLACE "-" "\\-" DIMRIX_MAN_BRIDGE_OPTION_${name} "${DIMRIX_BRIDGE_OPTION_${name}}")
endforeach()
foreach(name LEVELS ARTNET_ADDRESS)
    string(REPLACE "-" "\\-" DIMRIX_MAN_BRIDGE_${name} "${DIMRIX_BRIDGE_${name}}")
endforeach()
