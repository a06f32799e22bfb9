# A cross build for Windows runs its test programs under Wine: CTest puts
# scripts/wine-run.sh in front of each (CMAKE_CROSSCOMPILING_EMULATOR). The Wine prefix
# lives in the build tree, made on first use, with COM1 and COM2 mapped away from the
# build machine's own serial devices before any program starts.

find_program(DIMRIX_WINE wine REQUIRED)

include(DimrixWindowsRuntime)
set(_dimrix_runtime_dirs "")
foreach(dir IN LISTS DIMRIX_WINDOWS_DLL_DIRS)
    list(APPEND _dimrix_runtime_dirs --dlls ${dir})
endforeach()

set(DIMRIX_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
set(DIMRIX_WINE_RUN
    ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh
    --prefix ${DIMRIX_WINE_PREFIX}
    --plugins ${DIMRIX_WINDOWS_QT_PREFIX}/plugins
    ${_dimrix_runtime_dirs}
    --)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DIMRIX_WINE_RUN})
