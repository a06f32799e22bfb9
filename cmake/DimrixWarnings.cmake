# Every compiler warning setting of the tree lives in one interface target,
# dimrix_warnings. dimrix_apply_warnings(), called once every target exists, links it into
# each target the project builds, so a new library or program cannot be left out.
#
# -Werror is an option, off unless asked for: the Makefile's developer targets and CI
# turn it on; a user's build, a package or a plain `cmake` never has it, so a newer
# compiler's new warning does not stop anyone getting the program.

option(DIMRIX_WERROR "Treat compiler warnings as errors" OFF)

add_library(dimrix_warnings INTERFACE)
set(_dimrix_gcc_like "$<CXX_COMPILER_ID:GNU,Clang,AppleClang>")
set(_dimrix_msvc "$<CXX_COMPILER_ID:MSVC>")
target_compile_options(dimrix_warnings INTERFACE
    "$<${_dimrix_gcc_like}:-Wall;-Wextra;-Wpedantic>"
    "$<${_dimrix_msvc}:/W4;/permissive->")
if(DIMRIX_WERROR)
    target_compile_options(dimrix_warnings INTERFACE
        "$<${_dimrix_gcc_like}:-Werror>"
        "$<${_dimrix_msvc}:/WX>")
endif()

function(_dimrix_targets_below dir out_var)
    get_property(found DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        # Sources from outside the tree (GoogleTest in a cross build) keep their own flags.
        cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${sub}" NORMALIZE inside)
        if(NOT inside)
            continue()
        endif()
        _dimrix_targets_below(${sub} more)
        list(APPEND found ${more})
    endforeach()
    set(${out_var} ${found} PARENT_SCOPE)
endfunction()

function(dimrix_apply_warnings)
    _dimrix_targets_below(${PROJECT_SOURCE_DIR} targets)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
            target_link_libraries(${target} PRIVATE dimrix_warnings)
        endif()
    endforeach()
endfunction()
