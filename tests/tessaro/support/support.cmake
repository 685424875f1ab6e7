# Header-only helpers for the Tessaro window tests: scripted prompt and chooser, modal driver.
# Included by each test folder that needs it; defined once.
if(NOT TARGET tessaro_test_support)
  add_library(tessaro_test_support INTERFACE)
  target_include_directories(tessaro_test_support INTERFACE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(tessaro_test_support INTERFACE tessaro_dialogs qt_test_home Qt6::Test)
endif()
