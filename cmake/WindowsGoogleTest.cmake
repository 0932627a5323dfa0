# GoogleTest for the Windows test programs of the MinGW build, compiled from
# the sources Debian ships in /usr/src/googletest (libgtest-dev): nothing is
# fetched, and the libraries link statically like everything else here.
#
# Afterwards find_package(GTest REQUIRED) finds these targets (GTest::gtest,
# GTest::gtest_main), so a test folder's CMakeLists.txt reads the same in the
# native and the Windows build. The programs are run under Wine by the native
# build's CTest (cmake/WinePluginTests.cmake); this build never runs them, so
# test discovery waits for a CTest run that never comes instead of starting
# each program at build time.
include_guard(GLOBAL)

set(SQELTO_GOOGLETEST_SOURCE "/usr/src/googletest/googletest" CACHE PATH "GoogleTest sources (libgtest-dev)")
if(NOT EXISTS "${SQELTO_GOOGLETEST_SOURCE}/CMakeLists.txt")
  message(FATAL_ERROR "GoogleTest sources not found in ${SQELTO_GOOGLETEST_SOURCE}: apt-get install libgtest-dev")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory("${SQELTO_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
foreach(library gtest gtest_main)
  if(NOT TARGET GTest::${library})
    add_library(GTest::${library} ALIAS ${library})
  endif()
  # Like the test programs (WinePluginTests.cmake): no need for -O3's compile time.
  target_compile_options(${library} PRIVATE -O1)
endforeach()

# FindGTest asks for a package configuration first; this one has nothing to
# add to the targets above.
set(_sqelto_gtest_config "${CMAKE_BINARY_DIR}/googletest-config")
file(WRITE "${_sqelto_gtest_config}/GTestConfig.cmake" "# GoogleTest built in this tree (cmake/WindowsGoogleTest.cmake)\n")
set(GTest_DIR "${_sqelto_gtest_config}" CACHE PATH "GoogleTest built in this tree" FORCE)

set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
