# System libraries that Velkin needs only after its window shows (a drop, a dialog, the shell,
# COM during a run) are loaded on first use instead of at start-up: loading them costs more than
# the rest of the start-up under Wine. VELKIN_DELAY_LOAD_LIBRARIES names, for linking, what
# provides their functions; the functions a library delays are listed in delayload/<name>.def.
set(VELKIN_DELAY_LOADED shell32 comdlg32 ole32)
set(VELKIN_DELAY_LOAD_LIBRARIES "")
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # dlltool makes import libraries whose entries load the library at the first call
    # (__delayLoadHelper2 of the MinGW runtime). They come first on the link line, so that the
    # ordinary import libraries after them serve only functions not listed.
    string(REGEX REPLACE "g\\+\\+(-[^/]*)?$" "dlltool" velkin_dlltool_guess "${CMAKE_CXX_COMPILER}")
    find_program(VELKIN_DLLTOOL NAMES "${velkin_dlltool_guess}" x86_64-w64-mingw32-dlltool dlltool
                 REQUIRED)
    foreach(name IN LISTS VELKIN_DELAY_LOADED)
        set(def ${CMAKE_CURRENT_LIST_DIR}/delayload/${name}.def)
        set(library ${CMAKE_BINARY_DIR}/delayload/lib${name}_delay.a)
        set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
        file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delayload)
        execute_process(COMMAND ${VELKIN_DLLTOOL} --input-def ${def} --output-delaylib ${library}
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "dlltool could not make ${library}")
        endif()
        list(APPEND VELKIN_DELAY_LOAD_LIBRARIES ${library})
    endforeach()
elseif(MSVC)
    foreach(name IN LISTS VELKIN_DELAY_LOADED)
        list(APPEND VELKIN_DELAY_LOAD_LIBRARIES "-DELAYLOAD:${name}.dll")
    endforeach()
    list(APPEND VELKIN_DELAY_LOAD_LIBRARIES delayimp)
endif()
