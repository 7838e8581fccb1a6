target_sources(velkin_win_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ini_file_store_test.cpp)
