# Private ODBC configuration and throwaway PostgreSQL and MariaDB servers for
# the tests.
#
# Three CTest fixtures:
#   odbc_config    setup test "odbc_env_write_config" writes odbcinst.ini,
#                  odbc.ini, user.ini and env.sh into ${SQELTO_ODBC_TEST_DIR}
#   odbc_postgres  setup "odbc_env_postgres_start" starts the server (it needs
#                  odbc_config), cleanup "odbc_env_postgres_stop" stops it
#   odbc_mariadb   the same for MariaDB: "odbc_env_mariadb_start" / "_stop"
#
# Functions for test folders:
#   odbc_test_environment(<test>... [POSTGRES] [MARIADB])
#       gives tests made with add_test() the environment and the fixtures
#   odbc_gtest_discover_tests(<target> [POSTGRES] [MARIADB] [RESOURCE_LOCK name] [gtest_discover_tests options])
#       gtest_discover_tests whose tests get the same environment and fixtures
#       (it also calls odbc_keep_odbcinst_loaded on the target)
#   odbc_keep_odbcinst_loaded(<target>)
#       for programs run through add_test: see below
#
# Tests see ODBCSYSINI / ODBCINSTINI / ODBCINI (no global configuration is
# read), LC_ALL=C.UTF-8, SQELTO_ODBC_DIR, SQELTO_SQLITE_DSN,
# SQELTO_SQLITE_DATABASE, SQELTO_PG_{DSN,HOST,PORT,DATABASE},
# SQELTO_MARIADB_{DSN,HOST,PORT,DATABASE,USER,PASSWORD}, SQELTO_TEST_DRIVER and
# SQELTO_TEST_DRIVER_UNSANITIZED (registered names of tests/odbc-test-driver),
# and LSAN_OPTIONS with suppressions for leaks inside the system's ODBC
# libraries. A server that cannot start fails its setup test, and CTest then
# fails (does not skip) every test that needs it.
include_guard(GLOBAL)

set(SQELTO_TEST_PG_PORT 54329 CACHE STRING
    "Loopback port of the throwaway PostgreSQL server of the tests (not 5432)")
set(SQELTO_TEST_MARIADB_PORT 33069 CACHE STRING
    "Loopback port of the throwaway MariaDB server of the tests (not 3306)")
# Cache entries, not plain variables: the functions below run in other folders
# than the one that included this file first.
set(SQELTO_ODBC_TEST_DIR "${CMAKE_BINARY_DIR}/odbc-env" CACHE INTERNAL "private ODBC configuration of the tests")
get_filename_component(_sqelto_odbc_scripts "${CMAKE_CURRENT_LIST_DIR}/../scripts/odbc" ABSOLUTE)
set(SQELTO_ODBC_SCRIPTS "${_sqelto_odbc_scripts}" CACHE INTERNAL "scripts/odbc of the source tree")
# The fault-injecting test driver (tests/odbc-test-driver) is built to these
# paths; the configuration registers them whether or not it is built yet. The
# unsanitized build exists only when the sanitizers are on.
set(SQELTO_TEST_DRIVER_DIR "${CMAKE_BINARY_DIR}/odbc-test-driver" CACHE INTERNAL "output folder of the test driver")
set(SQELTO_TEST_DRIVER_LIBRARY "${SQELTO_TEST_DRIVER_DIR}/libsqelto_test_odbc_driver.so" CACHE INTERNAL "")
if(ENABLE_SANITIZERS)
  set(SQELTO_TEST_DRIVER_UNSANITIZED_LIBRARY "${SQELTO_TEST_DRIVER_DIR}/libsqelto_test_odbc_driver_unsanitized.so"
      CACHE INTERNAL "")
else()
  set(SQELTO_TEST_DRIVER_UNSANITIZED_LIBRARY "${SQELTO_TEST_DRIVER_LIBRARY}" CACHE INTERNAL "")
endif()

# The fixture tests are added on first use, in the folder of the first test
# that needs them, so this file may be included anywhere (even before
# include(CTest)) and adds nothing to builds without ODBC tests.
function(_sqelto_odbc_add_fixtures)
  get_property(added GLOBAL PROPERTY SQELTO_ODBC_FIXTURES_ADDED)
  if(added)
    return()
  endif()
  set_property(GLOBAL PROPERTY SQELTO_ODBC_FIXTURES_ADDED TRUE)
  add_test(NAME odbc_env_write_config
           COMMAND bash "${SQELTO_ODBC_SCRIPTS}/write-config"
                   --test-driver "${SQELTO_TEST_DRIVER_LIBRARY}"
                   --test-driver-unsanitized "${SQELTO_TEST_DRIVER_UNSANITIZED_LIBRARY}"
                   "${SQELTO_ODBC_TEST_DIR}" "${SQELTO_TEST_PG_PORT}" "${SQELTO_TEST_MARIADB_PORT}")
  set_tests_properties(odbc_env_write_config PROPERTIES FIXTURES_SETUP odbc_config)

  _sqelto_odbc_add_server_fixture(postgres pg-server "${SQELTO_TEST_PG_PORT}")
  _sqelto_odbc_add_server_fixture(mariadb mariadb-server "${SQELTO_TEST_MARIADB_PORT}")
endfunction()

# Fixture odbc_<name>: setup test odbc_env_<name>_start, cleanup _stop.
function(_sqelto_odbc_add_server_fixture name script port)
  add_test(NAME odbc_env_${name}_start
           COMMAND bash "${SQELTO_ODBC_SCRIPTS}/${script}" start "${SQELTO_ODBC_TEST_DIR}" "${port}")
  add_test(NAME odbc_env_${name}_stop
           COMMAND bash "${SQELTO_ODBC_SCRIPTS}/${script}" stop "${SQELTO_ODBC_TEST_DIR}" "${port}")
  set_tests_properties(odbc_env_${name}_start PROPERTIES
                       FIXTURES_SETUP odbc_${name} FIXTURES_REQUIRED odbc_config TIMEOUT 120)
  set_tests_properties(odbc_env_${name}_stop PROPERTIES FIXTURES_CLEANUP odbc_${name} TIMEOUT 60)
endfunction()

function(_sqelto_odbc_environment out_var)
  set(${out_var}
      "ODBCSYSINI=${SQELTO_ODBC_TEST_DIR}"
      "ODBCINSTINI=odbcinst.ini"
      "ODBCINI=${SQELTO_ODBC_TEST_DIR}/user.ini"
      "LC_ALL=C.UTF-8"
      "SQELTO_ODBC_DIR=${SQELTO_ODBC_TEST_DIR}"
      "SQELTO_SQLITE_DSN=SqeltoSQLite"
      "SQELTO_SQLITE_DATABASE=${SQELTO_ODBC_TEST_DIR}/sqelto-test.sqlite3"
      "SQELTO_PG_DSN=SqeltoPostgres"
      "SQELTO_PG_HOST=127.0.0.1"
      "SQELTO_PG_PORT=${SQELTO_TEST_PG_PORT}"
      "SQELTO_PG_DATABASE=sqelto_test"
      "SQELTO_MARIADB_DSN=SqeltoMariaDB"
      "SQELTO_MARIADB_HOST=127.0.0.1"
      "SQELTO_MARIADB_PORT=${SQELTO_TEST_MARIADB_PORT}"
      "SQELTO_MARIADB_DATABASE=sqelto_test"
      "SQELTO_MARIADB_USER=sqelto"
      "SQELTO_MARIADB_PASSWORD=sqelto"
      "SQELTO_TEST_DRIVER=Sqelto Test Driver (fault injection)"
      "SQELTO_TEST_DRIVER_UNSANITIZED=Sqelto Test Driver (fault injection, unsanitized)"
      # The system's ODBC libraries leak a little; keep LeakSanitizer on for ours.
      "LSAN_OPTIONS=suppressions=${SQELTO_ODBC_SCRIPTS}/lsan-suppressions.txt:print_suppressions=0"
      PARENT_SCOPE)
endfunction()

# The server fixtures pull in odbc_config through their setup tests, so a test
# names only the servers it needs (or odbc_config alone).
function(_sqelto_odbc_fixtures out_var postgres mariadb)
  set(fixtures "")
  if(postgres)
    list(APPEND fixtures odbc_postgres)
  endif()
  if(mariadb)
    list(APPEND fixtures odbc_mariadb)
  endif()
  if(NOT fixtures)
    set(fixtures odbc_config)
  endif()
  set(${out_var} "${fixtures}" PARENT_SCOPE)
endfunction()

function(odbc_test_environment)
  cmake_parse_arguments(PARSE_ARGV 0 arg "POSTGRES;MARIADB" "" "")
  if(NOT arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "odbc_test_environment: no test names given")
  endif()
  _sqelto_odbc_add_fixtures()
  _sqelto_odbc_environment(environment)
  _sqelto_odbc_fixtures(fixtures "${arg_POSTGRES}" "${arg_MARIADB}")
  set_tests_properties(${arg_UNPARSED_ARGUMENTS} PROPERTIES
                       ENVIRONMENT "${environment}" FIXTURES_REQUIRED "${fixtures}")
endfunction()

# The SQLite3 driver loads unixODBC's profile library (libodbcinst) itself and
# unloads it again; what that library leaks is then reported from an unnamed
# module, which no suppression can match. Linking it into the test program
# keeps it loaded for the whole run, so its frames carry its name.
find_library(SQELTO_ODBCINST_LIBRARY odbcinst)
function(odbc_keep_odbcinst_loaded target)
  if(SQELTO_ODBCINST_LIBRARY)
    target_link_libraries(${target} PRIVATE "-Wl,--push-state,--no-as-needed" "${SQELTO_ODBCINST_LIBRARY}"
                                            "-Wl,--pop-state")
  endif()
endfunction()

# gtest_discover_tests(PROPERTIES ...) keeps only the first entry of a list
# value such as ENVIRONMENT, so the properties are set by a CTest include file
# that runs after the discovered tests are added, over their TEST_LIST.
function(odbc_gtest_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "POSTGRES;MARIADB" "RESOURCE_LOCK" "")
  _sqelto_odbc_environment(environment)
  _sqelto_odbc_fixtures(fixtures "${arg_POSTGRES}" "${arg_MARIADB}")
  # What the program needs, for its run under Wine (cmake/WinePluginTests.cmake).
  set_target_properties(${target} PROPERTIES SQELTO_ODBC_FIXTURES "${fixtures}"
                                             SQELTO_ODBC_LOCK "${arg_RESOURCE_LOCK}")
  if(WIN32)
    return()  # the Windows build's programs run from the native build's CTest
  endif()
  _sqelto_odbc_add_fixtures()
  odbc_keep_odbcinst_loaded(${target})
  # Tests of one program that share database objects (a table both load)
  # name a lock so that a parallel ctest run never interleaves them.
  set(lock_property "")
  if(arg_RESOURCE_LOCK)
    set(lock_property "RESOURCE_LOCK ${arg_RESOURCE_LOCK}")
  endif()
  string(MAKE_C_IDENTIFIER "${target}_odbc_tests" test_list)
  include(GoogleTest)
  gtest_discover_tests(${target} TEST_LIST ${test_list} ${arg_UNPARSED_ARGUMENTS})
  set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_odbc_environment.cmake")
  file(CONFIGURE OUTPUT "${include_file}" CONTENT [[
if(DEFINED @test_list@)
  set_tests_properties(${@test_list@} PROPERTIES ENVIRONMENT "@environment@" FIXTURES_REQUIRED "@fixtures@" @lock_property@)
endif()
]] @ONLY)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
endfunction()
