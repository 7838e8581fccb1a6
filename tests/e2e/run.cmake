# Compression runs end to end: real drops onto the real Velkin.exe, the stand-in archiver as
# WinRAR, its log and archives checked afterwards.
if(NOT Python3_Interpreter_FOUND)
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
endif()

add_test(NAME e2e_run
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/run_test.py
            --velkin $<TARGET_FILE:Velkin>
            --driver $<TARGET_FILE:velkin_driver>
            --standin $<TARGET_FILE:velkin_standin_archiver>
            --artifacts ${CMAKE_BINARY_DIR}/artifacts
            --build ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(e2e_run PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_display)
