# Porvik's port backends: ppdev, direct port instructions and port selection on Linux, the
# WinIo-compatible library on Windows. Plain C++ over porttest_core's register seam.
if(WIN32)
  add_library(porttest_backends STATIC
    ${CMAKE_CURRENT_LIST_DIR}/winioport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/portselect.cpp)
else()
  add_library(porttest_backends STATIC
    ${CMAKE_CURRENT_LIST_DIR}/portdiag.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ppdevport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/directport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linuxplatform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/portselect.cpp)
endif()
target_include_directories(porttest_backends PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(porttest_backends PUBLIC porttest_core)
