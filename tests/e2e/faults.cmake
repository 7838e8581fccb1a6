# Faults from outside: garbage settings files, unwritable files, failing and crashing archivers,
# huge drops, names at the path limit, closing at awkward moments.
# fault_archiver fails per group on purpose (see its source) and otherwise hands over to the
# stand-in archiver, which the test copies beside it.
add_executable(velkin_fault_archiver WIN32 ${CMAKE_CURRENT_LIST_DIR}/fault_archiver.cpp)
target_link_libraries(velkin_fault_archiver PRIVATE velkin_options)
target_link_options(velkin_fault_archiver PRIVATE $<$<CXX_COMPILER_ID:GNU>:-municode>)

if(NOT Python3_Interpreter_FOUND)
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
endif()

add_test(NAME e2e_faults
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/faults_test.py
            --velkin $<TARGET_FILE:Velkin>
            --driver $<TARGET_FILE:velkin_driver>
            --standin $<TARGET_FILE:velkin_standin_archiver>
            --fault-archiver $<TARGET_FILE:velkin_fault_archiver>
            --artifacts ${CMAKE_BINARY_DIR}/artifacts
            --build ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(e2e_faults PROPERTIES TIMEOUT 420 RESOURCE_LOCK wine_display)
