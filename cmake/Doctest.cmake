# doctest is one header. A cross build copies it into the build tree rather than putting the
# host's include folder on the target compiler's search path.
find_path(VELKIN_DOCTEST_DIR doctest/doctest.h NO_CMAKE_FIND_ROOT_PATH)
if(NOT VELKIN_DOCTEST_DIR)
    message(FATAL_ERROR "doctest/doctest.h not found: install doctest (Debian: doctest-dev; vcpkg: doctest)")
endif()
configure_file(${VELKIN_DOCTEST_DIR}/doctest/doctest.h
               ${CMAKE_BINARY_DIR}/third_party/doctest/doctest.h COPYONLY)
# The test runner and its main() are compiled once, for every test program of the build. Its
# speed is nothing next to the tests', so the optimizer has little to do there.
add_library(velkin_doctest STATIC ${PROJECT_SOURCE_DIR}/tests/test_main.cpp)
target_link_libraries(velkin_doctest PRIVATE velkin_options)
target_compile_options(velkin_doctest PRIVATE $<${VELKIN_GNU_LIKE}:-O1>)
target_include_directories(velkin_doctest SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/third_party)
# MinGW's win32 thread model has no std::mutex; the tests run on one thread anyway.
target_compile_definitions(velkin_doctest PUBLIC $<${VELKIN_GNU_WINDOWS}:DOCTEST_CONFIG_NO_MULTITHREADING>)
