# The XDND drag source used by the end-to-end tests (xdnd_drop.c, compiled for the host by
# xdnd.py when a test first needs it) is proven here against a minimal Windows drop target.
add_executable(drop_target ${CMAKE_CURRENT_LIST_DIR}/drop_target.cpp)
target_link_libraries(drop_target PRIVATE velkin_options shell32 user32)
# Wine 8 copies everything it imported from a drop onto the stack of the thread that owns the
# window, and the process dies when that does not fit: the reserve lets the target take drops
# of 100,000 long paths (about 30 MB), so that such drops can be measured with it.
target_link_options(drop_target PRIVATE
    $<$<CXX_COMPILER_ID:GNU>:-municode -Wl,--stack,268435456>)

if(NOT Python3_Interpreter_FOUND)
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
endif()

add_test(NAME e2e_xdnd_selftest
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/xdnd_selftest.py
            --target $<TARGET_FILE:drop_target>
            --build ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(e2e_xdnd_selftest PROPERTIES TIMEOUT 600 RESOURCE_LOCK wine_display)
