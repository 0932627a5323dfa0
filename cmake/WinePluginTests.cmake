# The plug-in's test programs on Windows: built by the MinGW x86_64 build
# (BUILD_TESTING on in the mingw-x64 preset) and run under Wine by the native
# build's CTest (label wine-plugin), which finds the Windows build through
# KESTRIN_WINDOWS_BUILD_DIR like the installer's Wine tests.
#
# Adding a GoogleTest program to the Windows run is one line next to its
# Linux registration, in a folder whose CMakeLists.txt also builds on WIN32:
#
#   odbc_gtest_discover_tests(plugin_odbc_sqlite_tests TEST_PREFIX "sqlite.")
#   wine_plugin_test(plugin_odbc_sqlite_tests)
#
# In the Windows build the call turns the program's paths of built files
# (SQELTO_PLUGIN_PATH="$<TARGET_FILE:Sqelto>") into Windows paths. In the native build it adds the CTest test
# "wine-plugin.<target>", which runs the whole program in one Wine start with
# the ODBC environment, servers and lock its Linux registration asked for
# (odbc_gtest_discover_tests records them on the target), the unsanitized
# test driver's name as SQELTO_TEST_DRIVER, and the shared prefix of the run.
#
# A program registered otherwise (plain gtest_discover_tests) names what
# odbc_gtest_discover_tests would have recorded: wine_plugin_test(<target>
# [POSTGRES] [LOCK name]), with EACH_TEST_ALONE and OWN_ODBC_CONFIGURATION as
# needed. EACH_TEST_ALONE runs each of the program's tests
# in a Wine start of its own, as CTest does natively: for programs that start
# the plug-in's code linked into them (runPluginMain), whose registration
# records can be handed to one host per process only. OWN_ODBC_CONFIGURATION
# is for programs whose tests write the ODBC configuration they list
# (ODBCSYSINI, ODBCINI): a change a Windows program makes to its environment
# does not reach the Linux driver manager behind Wine's odbc32, which reads
# the environment the Wine process started with. Such a run starts with
# ODBCSYSINI and ODBCINI naming a folder of the program's own, where its tests
# write their files (with EACH_TEST_ALONE, one test at a time).
#
#   wine_plugin_command(<name> [POSTGRES] [LOCK name] COMMAND <command>...)
#       a test "wine-plugin.<name>" of the same kind running a script, which
#       starts Windows programs with scripts/wine/run-windows.sh;
#   wine_plugin_exe(<out-var> <target>)
#       the path of a Windows program of the MinGW build, from the native
#       build (the program's folder mirrors the native one);
#   wine_plugin_launcher(<out-var> <windows program path>)
#       a command file that runs the Windows program under Wine as the
#       process itself (same id, standard streams passed through), for
#       scripts written for the native program.
include_guard(GLOBAL)
include("${CMAKE_CURRENT_LIST_DIR}/OdbcTestEnvironment.cmake")

set(_wine_plugin_scripts "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine")
get_filename_component(_wine_plugin_scripts "${_wine_plugin_scripts}" ABSOLUTE)
set(WINE_PLUGIN_SCRIPTS "${_wine_plugin_scripts}" CACHE INTERNAL "scripts/wine of the source tree")
set(WINE_PLUGIN_ROOT "${CMAKE_BINARY_DIR}/wine-plugin" CACHE INTERNAL "prefix and work folders of the Wine plug-in tests")

# Whether this native build registers the Windows runs.
function(_wine_plugin_enabled out_var)
  if(NOT WIN32 AND BUILD_TESTING AND KESTRIN_WINDOWS_BUILD_DIR)
    set(${out_var} TRUE PARENT_SCOPE)
  else()
    set(${out_var} FALSE PARENT_SCOPE)
  endif()
endfunction()

# The shared prefix: made once per CTest run, its wineserver ended at the end.
function(_wine_plugin_add_prefix_fixture)
  get_property(added GLOBAL PROPERTY WINE_PLUGIN_PREFIX_ADDED)
  if(added)
    return()
  endif()
  set_property(GLOBAL PROPERTY WINE_PLUGIN_PREFIX_ADDED TRUE)
  add_test(NAME wine-plugin.prefix COMMAND bash "${WINE_PLUGIN_SCRIPTS}/plugin-prefix.sh" start "${WINE_PLUGIN_ROOT}")
  add_test(NAME wine-plugin.prefix-stop COMMAND bash "${WINE_PLUGIN_SCRIPTS}/plugin-prefix.sh" stop "${WINE_PLUGIN_ROOT}")
  set_tests_properties(wine-plugin.prefix PROPERTIES FIXTURES_SETUP wine_plugin_prefix TIMEOUT 120 LABELS wine-plugin)
  set_tests_properties(wine-plugin.prefix-stop PROPERTIES FIXTURES_CLEANUP wine_plugin_prefix TIMEOUT 60
                                                          LABELS wine-plugin)
endfunction()

function(wine_plugin_exe out_var target)
  file(RELATIVE_PATH folder "${CMAKE_BINARY_DIR}" "${CMAKE_CURRENT_BINARY_DIR}")
  set(${out_var} "${KESTRIN_WINDOWS_BUILD_DIR}/${folder}/${target}.exe" PARENT_SCOPE)
endfunction()

# Environment, fixtures and lock of one Windows test; `fixtures` lists the
# ODBC fixtures it needs (odbc_config when empty). Further arguments are
# environment entries that replace those of the same name.
function(_wine_plugin_properties test fixtures lock)
  _sqelto_odbc_add_fixtures()
  _wine_plugin_add_prefix_fixture()
  _sqelto_odbc_environment(environment)
  # A driver built with the sanitizers cannot load into Wine.
  list(FILTER environment EXCLUDE REGEX "^SQELTO_TEST_DRIVER=")
  list(APPEND environment "SQELTO_TEST_DRIVER=Sqelto Test Driver (fault injection, unsanitized)"
       "WINE_PLUGIN_ROOT=${WINE_PLUGIN_ROOT}")
  foreach(entry IN LISTS ARGN)
    string(REGEX REPLACE "=.*" "" name "${entry}")
    list(FILTER environment EXCLUDE REGEX "^${name}=")
    list(APPEND environment "${entry}")
  endforeach()
  if(NOT fixtures)
    set(fixtures odbc_config)
  endif()
  set_tests_properties(${test} PROPERTIES ENVIRONMENT "${environment}"
                                          FIXTURES_REQUIRED "wine_plugin_prefix;${fixtures}"
                                          LABELS wine-plugin TIMEOUT 600)
  # The trace switch file of the Windows programs is C:\SqeltoTraceOn.txt in
  # the shared prefix, not the Linux one, and every Windows program that
  # connects while a trace test has it in place traces into that test's log.
  # Appends of two Windows processes to one file can overwrite each other's
  # lines (the end is found before each write, not with it), so no two
  # Windows runs of the plug-in overlap: they all hold the prefix's lock.
  set(locks wine-trace-switch-file)
  if(lock AND NOT lock STREQUAL "trace-switch-file")
    list(APPEND locks "${lock}")
  endif()
  set_tests_properties(${test} PROPERTIES RESOURCE_LOCK "${locks}")
endfunction()

function(wine_plugin_test target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "POSTGRES;EACH_TEST_ALONE;OWN_ODBC_CONFIGURATION" "LOCK" "")
  if(WIN32)
    # Files of the build that the program opens (SQELTO_PLUGIN_PATH=
    # "$<TARGET_FILE:Sqelto>" and the like) become Windows paths: drive Z: is
    # the Linux root in every Wine prefix.
    get_target_property(definitions ${target} COMPILE_DEFINITIONS)
    if(definitions)
      list(TRANSFORM definitions REPLACE "^([A-Za-z0-9_]+)=\"\\$<TARGET_FILE:" "\\1=\"Z:$<TARGET_FILE:")
      set_target_properties(${target} PROPERTIES COMPILE_DEFINITIONS "${definitions}")
    endif()
    # Test code needs no optimisation: -O1 compiles in about half the time of
    # the Release -O3, and stays below GCC 12's -Wrestrict false positives in
    # std::string, which need -O2.
    target_compile_options(${target} PRIVATE -O1)
    return()
  endif()
  _wine_plugin_enabled(enabled)
  if(NOT enabled)
    return()
  endif()
  wine_plugin_exe(program ${target})
  if(arg_EACH_TEST_ALONE)
    set(mode --gtest-each)
  else()
    set(mode --gtest)
  endif()
  add_test(NAME wine-plugin.${target} COMMAND bash "${WINE_PLUGIN_SCRIPTS}/run-windows.sh" ${mode} "${program}")
  set(fixtures "")
  set(lock "")
  if(TARGET ${target})  # a program of the Windows build only has no native twin
    get_target_property(fixtures ${target} SQELTO_ODBC_FIXTURES)
    get_target_property(lock ${target} SQELTO_ODBC_LOCK)
  endif()
  if(NOT fixtures)
    set(fixtures "")
  endif()
  if(arg_POSTGRES)
    list(APPEND fixtures odbc_postgres)
  endif()
  if(arg_LOCK)
    set(lock "${arg_LOCK}")
  elseif(NOT lock)
    set(lock "")
  endif()
  set(own_environment "")
  if(arg_OWN_ODBC_CONFIGURATION)
    set(folder "${WINE_PLUGIN_ROOT}/odbc-config/${target}")
    set(own_environment "ODBCSYSINI=${folder}" "ODBCINI=${folder}/user.ini")
  endif()
  _wine_plugin_properties(wine-plugin.${target} "${fixtures}" "${lock}" ${own_environment})
endfunction()

function(wine_plugin_command name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "POSTGRES" "LOCK" "COMMAND")
  _wine_plugin_enabled(enabled)
  if(NOT enabled)
    return()
  endif()
  add_test(NAME wine-plugin.${name} COMMAND ${arg_COMMAND})
  set(fixtures "")
  if(arg_POSTGRES)
    set(fixtures odbc_postgres)
  endif()
  _wine_plugin_properties(wine-plugin.${name} "${fixtures}" "${arg_LOCK}")
endfunction()

function(wine_plugin_launcher out_var program)
  get_filename_component(name "${program}" NAME_WE)
  set(launcher "${CMAKE_CURRENT_BINARY_DIR}/${name}-under-wine")
  file(WRITE "${launcher}"
       "#!/bin/sh\n# ${name}.exe of the Windows build, under Wine in the plug-in tests' prefix.\n"
       "exec bash \"${WINE_PLUGIN_SCRIPTS}/run-windows.sh\" --exec \"${program}\" \"$@\"\n")
  file(CHMOD "${launcher}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                      WORLD_READ WORLD_EXECUTE)
  set(${out_var} "${launcher}" PARENT_SCOPE)
endfunction()
