# Porvik's plain C++ core: port access over the register seam, the virtual loopback port, the
# cable model and its settings file. No Qt here.
find_package(PkgConfig REQUIRED)
pkg_check_modules(INIH REQUIRED IMPORTED_TARGET GLOBAL inih)

add_library(porttest_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/appdir.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/virtualport.cpp)
target_include_directories(porttest_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(porttest_core PUBLIC common PRIVATE PkgConfig::INIH)
