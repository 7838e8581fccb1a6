# The release: Velkin.exe and the users' guide in one zip whose bytes anyone can rebuild from the
# same commit, on another day and in another folder. Included after the Velkin target exists.

# Every timestamp the release holds is the commit's, never the clock's: SOURCE_DATE_EPOCH when
# the environment sets it, else the time of the commit checked out.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(VELKIN_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
    execute_process(COMMAND git log -1 --format=%ct
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE VELKIN_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE velkin_git_failed ERROR_QUIET)
    if(velkin_git_failed OR NOT VELKIN_SOURCE_DATE_EPOCH)
        # Not a git checkout: a fixed time rather than none, so that two builds still agree.
        message(STATUS "No commit time (set SOURCE_DATE_EPOCH): the release's timestamps are 0")
        set(VELKIN_SOURCE_DATE_EPOCH 0)
    endif()
endif()
if(NOT VELKIN_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR
            "SOURCE_DATE_EPOCH must be seconds since 1970, not '${VELKIN_SOURCE_DATE_EPOCH}'")
endif()

# The version resource takes its numbers and text from the project's version.
set(velkin_version_parts "${PROJECT_VERSION_MAJOR}" "${PROJECT_VERSION_MINOR}"
    "${PROJECT_VERSION_PATCH}" "${PROJECT_VERSION_TWEAK}")
list(TRANSFORM velkin_version_parts REPLACE "^$" "0")
list(JOIN velkin_version_parts "," VELKIN_VERSION_NUMBERS)
list(JOIN velkin_version_parts "." VELKIN_VERSION_DOTTED)
configure_file(${CMAKE_SOURCE_DIR}/res/velkin_version.h.in
               ${CMAKE_BINARY_DIR}/generated/velkin_version.h @ONLY)
# Every program built with the resources (the benchmarks that show the real window too) finds it.
add_library(velkin_resources INTERFACE)
target_include_directories(velkin_resources INTERFACE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(Velkin PRIVATE velkin_resources)

if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # No folder of this machine in the program: paths that reach it (__FILE__, say) are written
    # relative to the source and build folders.
    target_compile_options(velkin_options INTERFACE $<$<CONFIG:Release>:
        -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.>)
    # ld writes SOURCE_DATE_EPOCH into the PE header instead of the time of the link. Being part
    # of the link command, a new commit's time links the program again.
    set_property(TARGET Velkin PROPERTY CXX_LINKER_LAUNCHER
                 ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VELKIN_SOURCE_DATE_EPOCH})
endif()

# dist/Velkin-<version>-win64.zip and dist/SHA256SUMS in the build folder; scripts/package.sh
# copies them to the top of the source tree.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
    set(VELKIN_RELEASE_ZIP ${CMAKE_BINARY_DIR}/dist/Velkin-${PROJECT_VERSION}-win64.zip)
    add_custom_command(
        OUTPUT ${VELKIN_RELEASE_ZIP} ${CMAKE_BINARY_DIR}/dist/SHA256SUMS
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/release_zip.py
                --epoch ${VELKIN_SOURCE_DATE_EPOCH} --output ${VELKIN_RELEASE_ZIP}
                $<TARGET_FILE:Velkin> ${CMAKE_SOURCE_DIR}/res/README.TXT
        DEPENDS Velkin ${CMAKE_SOURCE_DIR}/res/README.TXT ${CMAKE_SOURCE_DIR}/scripts/release_zip.py
        COMMENT "Packing ${VELKIN_RELEASE_ZIP}"
        VERBATIM)
    add_custom_target(velkin_release_zip DEPENDS ${VELKIN_RELEASE_ZIP})
endif()
