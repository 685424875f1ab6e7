# Porvik's window and shell (library porvik_window, Qt Widgets over porttest_core) and the
# program porvik, which adds the real port backends.
add_library(porvik_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/testwnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/testwnd.h
  ${CMAKE_CURRENT_LIST_DIR}/app.cpp
  ${CMAKE_CURRENT_LIST_DIR}/app.h
  ${CMAKE_CURRENT_LIST_DIR}/connectorpicture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connectorpicture.h
  ${CMAKE_CURRENT_LIST_DIR}/resources/porvik.qrc)
set_target_properties(porvik_window PROPERTIES AUTORCC ON)
target_include_directories(porvik_window PUBLIC ${CMAKE_CURRENT_LIST_DIR})
# The command line is checked with the backends' port-choice rules.
target_link_libraries(porvik_window PUBLIC porttest_core porttest_backends common_qt Qt6::Widgets)

add_executable(porvik ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
if(WIN32)
  target_sources(porvik PRIVATE ${CMAKE_CURRENT_LIST_DIR}/resources/porvik.rc)
  set_target_properties(porvik PROPERTIES WIN32_EXECUTABLE ON)
endif()
target_link_libraries(porvik PRIVATE porvik_window porttest_backends)
