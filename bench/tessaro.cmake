# The main window over a million records: open, delete, add and modify to the refreshed view.
add_executable(tessaro_bench ${CMAKE_CURRENT_LIST_DIR}/tessaro_bench.cpp)
target_include_directories(tessaro_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/tessaro/support)
target_link_libraries(tessaro_bench PRIVATE tessaro_window benchmark::benchmark)
