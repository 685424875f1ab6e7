# Open, tidy and duplicate removal of a generated million-record list, each next to a baseline
# measured in the same run (absolute times drift on shared machines; the ratios are what count).
add_executable(devlist_bench devlist_bench.cpp)
target_link_libraries(devlist_bench PRIVATE devlist_core benchmark::benchmark)
