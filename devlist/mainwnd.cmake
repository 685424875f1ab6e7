# The main window, its list model and the application shell (library tessaro_window), and the
# program tessaro.
add_library(tessaro_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/devicelistmodel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/devicelistmodel.h
  ${CMAKE_CURRENT_LIST_DIR}/mainwnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mainwnd.h
  ${CMAKE_CURRENT_LIST_DIR}/app.cpp
  ${CMAKE_CURRENT_LIST_DIR}/app.h
  ${CMAKE_CURRENT_LIST_DIR}/cmdline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmdline.h)
target_include_directories(tessaro_window PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(tessaro_window PUBLIC tessaro_dialogs devlist_core common_qt Qt6::Widgets)
# The icon lives in the library so that tests see the same window as the program.
qt_add_resources(tessaro_window tessaro_resources
  PREFIX /tessaro
  BASE ${CMAKE_CURRENT_LIST_DIR}/resources
  FILES
    ${CMAKE_CURRENT_LIST_DIR}/resources/icon128-16.png
    ${CMAKE_CURRENT_LIST_DIR}/resources/icon128-32.png
    ${CMAKE_CURRENT_LIST_DIR}/resources/icon128-48.png
    ${CMAKE_CURRENT_LIST_DIR}/resources/icon128-128.png)

add_executable(tessaro ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(tessaro PRIVATE tessaro_window)
if(WIN32)
  set_target_properties(tessaro PROPERTIES WIN32_EXECUTABLE ON)
endif()
