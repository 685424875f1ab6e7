# `chiptool dedupe` of a generated million-record list as a whole process, next to `dd` copying
# the same file (read into user memory, write, flush) in the same run.
add_executable(chiptool_bench chiptool_bench.cpp)
target_link_libraries(chiptool_bench PRIVATE benchmark::benchmark)
target_compile_definitions(chiptool_bench PRIVATE CHIPTOOL_PATH="$<TARGET_FILE:chiptool>")
add_dependencies(chiptool_bench chiptool)
