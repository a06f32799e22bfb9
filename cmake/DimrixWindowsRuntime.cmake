# Where a Windows build's programs find the DLLs they load, outside the build tree: Qt's
# bin and plugin folders, and the MinGW runtime's folders (libstdc++, libgcc,
# winpthread), which the compiler knows. The Wine test runs and the Windows package both
# read them from here.
#
#   DIMRIX_WINDOWS_QT_PREFIX    the Windows Qt (its bin/ and plugins/)
#   DIMRIX_WINDOWS_DLL_DIRS     the folders to look for DLLs in, Qt's bin first

cmake_path(GET Qt6_DIR PARENT_PATH _dimrix_qt_cmake)
cmake_path(GET _dimrix_qt_cmake PARENT_PATH _dimrix_qt_lib)
cmake_path(GET _dimrix_qt_lib PARENT_PATH DIMRIX_WINDOWS_QT_PREFIX)
set(DIMRIX_WINDOWS_DLL_DIRS ${DIMRIX_WINDOWS_QT_PREFIX}/bin)
foreach(dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE _dimrix_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${_dimrix_dll}" OR NOT EXISTS "${_dimrix_dll}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    cmake_path(GET _dimrix_dll PARENT_PATH _dimrix_dir)
    cmake_path(NORMAL_PATH _dimrix_dir)
    list(APPEND DIMRIX_WINDOWS_DLL_DIRS ${_dimrix_dir})
endforeach()
list(REMOVE_DUPLICATES DIMRIX_WINDOWS_DLL_DIRS)
