# doctest is one header. A cross build copies it into the build tree rather than putting the
# host's include folder on the target compiler's search path.
find_path(VELKIN_DOCTEST_DIR doctest/doctest.h NO_CMAKE_FIND_ROOT_PATH)
if(NOT VELKIN_DOCTEST_DIR)
    message(FATAL_ERROR "doctest/doctest.h not found: install doctest (Debian: doctest-dev; vcpkg: doctest)")
endif()
configure_file(${VELKIN_DOCTEST_DIR}/doctest/doctest.h
               ${CMAKE_BINARY_DIR}/third_party/doctest/doctest.h COPYONLY)
add_library(velkin_doctest INTERFACE)
target_include_directories(velkin_doctest SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/third_party)
# MinGW's win32 thread model has no std::mutex; the tests run on one thread anyway.
target_compile_definitions(velkin_doctest INTERFACE $<${VELKIN_GNU_WINDOWS}:DOCTEST_CONFIG_NO_MULTITHREADING>)
