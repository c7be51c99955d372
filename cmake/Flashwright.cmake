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
