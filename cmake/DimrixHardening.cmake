# DIMRIX_HARDEN builds with Debian's hardening flags as dpkg-buildflags reports them:
# _FORTIFY_SOURCE, the stack protector, format-string checks, and a read-only relocation
# table bound at start (relro, now). The build type keeps the say over optimisation and
# debug information, so -g and -O2 are left out.

if(NOT DIMRIX_HARDEN)
    return()
endif()

find_program(DIMRIX_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DIMRIX_DPKG_BUILDFLAGS)
    message(FATAL_ERROR "DIMRIX_HARDEN needs dpkg-buildflags (package dpkg-dev)")
endif()

function(_dimrix_buildflags kind out_var)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env
                DEB_BUILD_MAINT_OPTIONS=hardening=+all
                "DEB_CXXFLAGS_MAINT_STRIP=-g -O2"
                ${DIMRIX_DPKG_BUILDFLAGS} --get ${kind}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE flags
        OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
    set(${out_var} "${flags}" PARENT_SCOPE)
endfunction()

_dimrix_buildflags(CPPFLAGS dimrix_cppflags)
_dimrix_buildflags(CXXFLAGS dimrix_cxxflags)
_dimrix_buildflags(LDFLAGS dimrix_ldflags)
string(APPEND CMAKE_CXX_FLAGS " ${dimrix_cppflags} ${dimrix_cxxflags}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${dimrix_ldflags}")
message(STATUS "Hardening: ${dimrix_cppflags} ${dimrix_cxxflags} ${dimrix_ldflags}")
