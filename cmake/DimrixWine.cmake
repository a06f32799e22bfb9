# A cross build for Windows runs its test programs under Wine: CTest puts
# scripts/wine-run.sh in front of each (CMAKE_CROSSCOMPILING_EMULATOR). The Wine prefix
# lives in the build tree, made on first use, with COM1 and COM2 mapped away from the
# build machine's own serial devices before any program starts.

find_program(DIMRIX_WINE wine REQUIRED)

# Where the program finds its DLLs: Qt's, and the MinGW runtime's (libstdc++, libgcc,
# winpthread), which the compiler knows.
cmake_path(GET Qt6_DIR PARENT_PATH _dimrix_qt_cmake)
cmake_path(GET _dimrix_qt_cmake PARENT_PATH _dimrix_qt_lib)
cmake_path(GET _dimrix_qt_lib PARENT_PATH DIMRIX_WINE_QT_PREFIX)
set(_dimrix_runtime_dirs "")
foreach(dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE _dimrix_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${_dimrix_dll}" OR NOT EXISTS "${_dimrix_dll}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    cmake_path(GET _dimrix_dll PARENT_PATH _dimrix_dir)
    cmake_path(NORMAL_PATH _dimrix_dir)
    list(APPEND _dimrix_runtime_dirs --dlls ${_dimrix_dir})
endforeach()

set(DIMRIX_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
set(DIMRIX_WINE_RUN
    ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh
    --prefix ${DIMRIX_WINE_PREFIX}
    --dlls ${DIMRIX_WINE_QT_PREFIX}/bin
    --plugins ${DIMRIX_WINE_QT_PREFIX}/plugins
    ${_dimrix_runtime_dirs}
    --)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DIMRIX_WINE_RUN})
