# Drops and drop groups: real XDND drops onto Velkin.exe (xdnd.py compiles its drag source into
# the build folder).
if(NOT Python3_Interpreter_FOUND)
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
endif()

add_test(NAME e2e_drops
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/drops_test.py
            --velkin $<TARGET_FILE:Velkin>
            --driver $<TARGET_FILE:velkin_driver>
            --artifacts ${CMAKE_BINARY_DIR}/artifacts
            --build ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(e2e_drops PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_display)
