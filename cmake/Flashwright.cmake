# Helpers shared by every folder of the project.

# A library that is loaded at run time by file name ("qx240.dll" -> qx240.so)
# and never linked: no "lib" prefix, a ".so" suffix.
function(flashwright_add_plugin name)
  add_library(${name} MODULE ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so")
  target_link_libraries(${name} PRIVATE platform)
endfunction()

# One GoogleTest binary per test folder, registered with CTest test by test,
# each test labelled with its binary's name (ctest -L app_tests).
function(flashwright_add_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS ${name})
endfunction()

# The tests of a binary that need a real X display (gtest filter, by default
# 'RealDisplay.*'), run once more under xvfb-run with a window manager on the
# server; skipped when xvfb-run is missing.
function(flashwright_add_real_display_test name binary)
  set(filter "RealDisplay.*")
  if(ARGC GREATER 2)
    set(filter "${ARGV2}")
  endif()
  add_test(NAME ${name}
    COMMAND sh -c "command -v xvfb-run >/dev/null 2>&1 || exit 77; QT_QPA_PLATFORM=xcb exec xvfb-run -a \"$1\" \"$2\" \"$0\" --gtest_filter='${filter}'"
            $<TARGET_FILE:${binary}> ${CMAKE_SOURCE_DIR}/tests/support/with-window-manager
            ${CMAKE_SOURCE_DIR}/tests/support/jwmrc)
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 LABELS ${binary})
endfunction()

include(GoogleTest)

# Nearly every unit of the window layers includes Qt's widget headers and the
# framework's main headers, and parsing them is most of such a unit's compile
# time: the targets with many such units compile them once per target.
# ccache caches units built on a precompiled header only when g++ keeps the
# header's inclusion in its preprocessed output (-fpch-preprocess).
set(flashwright_window_headers
  <algorithm> <functional> <memory> <string> <vector>
  <QApplication> <QPainter> <QWidget>
  "${CMAKE_SOURCE_DIR}/framework/canvas.h"
  "${CMAKE_SOURCE_DIR}/framework/controls.h"
  "${CMAKE_SOURCE_DIR}/framework/forms.h"
  "${CMAKE_SOURCE_DIR}/framework/graphics.h"
  "${CMAKE_SOURCE_DIR}/framework/standardcontrols.h"
  "${CMAKE_SOURCE_DIR}/framework/strings.h"
  "${CMAKE_SOURCE_DIR}/framework/sysutils.h")
function(flashwright_precompile_window_headers)
  foreach(target ${ARGN})
    target_precompile_headers(${target} PRIVATE ${flashwright_window_headers})
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE -fpch-preprocess)
    endif()
  endforeach()
endfunction()
