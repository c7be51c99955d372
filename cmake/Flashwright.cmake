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

include(GoogleTest)
