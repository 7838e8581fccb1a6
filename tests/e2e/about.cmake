# The Help menu end to end: the About window, its two links and the readme command.
# shell_recorder stands in for the browser, the mail program and the text editor: the test
# registers it in the session's Wine prefix as their handler and reads what it was given.
add_executable(shell_recorder WIN32 ${CMAKE_CURRENT_LIST_DIR}/shell_recorder.cpp)
target_include_directories(shell_recorder PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(shell_recorder PRIVATE velkin_options shell32)
target_link_options(shell_recorder PRIVATE $<$<CXX_COMPILER_ID:GNU>:-municode>)

if(NOT Python3_Interpreter_FOUND)
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
endif()

add_test(NAME e2e_about
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/about_test.py
            --velkin $<TARGET_FILE:Velkin>
            --driver $<TARGET_FILE:velkin_driver>
            --recorder $<TARGET_FILE:shell_recorder>
            --artifacts ${CMAKE_BINARY_DIR}/artifacts)
set_tests_properties(e2e_about PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_display)
