# GoogleTest: the system package natively; for the mingw cross builds, Debian's googletest
# sources built with the cross compiler (the system libgtest is a Linux library).
if(WIN32)
  set(KESTRIN_GTEST_SRC /usr/src/googletest CACHE PATH "googletest sources for cross builds")
  if(NOT EXISTS ${KESTRIN_GTEST_SRC}/CMakeLists.txt)
    message(FATAL_ERROR "googletest sources not found at ${KESTRIN_GTEST_SRC}: run scripts/install-deps.sh")
  endif()
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${KESTRIN_GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gmock ALIAS gmock)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# kestrin_add_test(name SOURCES ... LIBS ...): one test program, its cases registered with CTest.
# Cross builds link it statically so that Wine needs no mingw runtime DLLs beside it.
function(kestrin_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  if(WIN32)
    target_link_options(${name} PRIVATE -static)
    # One process per program under Wine: starting Wine per case would be slow. The programs
    # share the prefix's one registry (HKCU\Software\Halvarn\Kestrin among it), so they take turns.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_registry)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
