# Entry dialogs, data exchange, file chooser and the toolkit stand-ins.
add_library(tessaro_dialogs STATIC
  ${CMAKE_CURRENT_LIST_DIR}/entrydlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entrydlg.h
  ${CMAKE_CURRENT_LIST_DIR}/ddx.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ddx.h
  ${CMAKE_CURRENT_LIST_DIR}/filechooser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filechooser.h
  ${CMAKE_CURRENT_LIST_DIR}/xtwidgets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xtwidgets.h)
target_include_directories(tessaro_dialogs PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(tessaro_dialogs PUBLIC devlist_core common_qt Qt6::Widgets)
