# The plain C++ core of the device list editor: record, storage, list file and list rules.
# No Qt: the windows and the command-line tool both build on it.
add_library(devlist_core STATIC
  largealloc.cpp
  record.cpp
  listfile.cpp
  safesave.cpp
  listops.cpp)
target_include_directories(devlist_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(devlist_core PUBLIC common)
