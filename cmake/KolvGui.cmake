# One static library per area of the desktop program's windows (src/gui/<area>/*.cpp, *.h).
#   kolv_gui_area(NAME diagram [AUTOMOC] DEPS kolv_gui kolv_core Qt6::Widgets)
# DEPS are linked PUBLIC in the order given.
function(kolv_gui_area)
  cmake_parse_arguments(K "AUTOMOC" "NAME" "DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB _hdr CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(_target kolv_gui_${K_NAME})
  add_library(${_target} STATIC ${_src} ${_hdr})
  if(K_AUTOMOC)
    set_target_properties(${_target} PROPERTIES AUTOMOC ON)
  endif()
  target_include_directories(${_target} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/src/core)
  target_link_libraries(${_target} PUBLIC ${K_DEPS})
endfunction()

# A Qt Test executable of the desktop program, registered with ctest, run offscreen, label gui.
#   kolv_gui_test(NAME test_gui_x SOURCES x_test.cpp LIBS kolv_gui_x)
# Links LIBS, then kolv_testsupport and Qt6::Test.
function(kolv_gui_test)
  cmake_parse_arguments(K "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${K_NAME} ${K_SOURCES})
  set_target_properties(${K_NAME} PROPERTIES AUTOMOC ON)
  target_link_libraries(${K_NAME} PRIVATE ${K_LIBS} kolv_testsupport Qt6::Test)
  add_test(NAME ${K_NAME} COMMAND ${K_NAME})
  set_tests_properties(${K_NAME} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS gui)
endfunction()
