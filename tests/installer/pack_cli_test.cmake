# Drives the kestrin-pack program itself: build, inspect, and a config error.
#   cmake -DPACK=<kestrin-pack> -DWORK=<scratch folder> -P pack_cli_test.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(WRITE "${WORK}/stub.exe" "MZ-stub-bytes")
file(WRITE "${WORK}/p.msi" "MSI")
file(WRITE "${WORK}/setup.conf" "WindowTitle = From the command line\nPackageFile = p.msi\nSuppressConfirm = 1\n")
file(WRITE "${WORK}/bad.conf" "WindowTitle = x\nProgressScreen = maybe\n")

execute_process(COMMAND "${PACK}" build --stub "${WORK}/stub.exe" --config "${WORK}/setup.conf" --out "${WORK}/setup.exe"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "build failed (${rc}): ${out}${err}")
endif()

execute_process(COMMAND "${PACK}" inspect "${WORK}/setup.exe" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "inspect failed (${rc}): ${err}")
endif()
foreach(expected "payload offset  13" "  Package       3 bytes" "  15 WindowTitle = From the command line"
                 "  34 SuppressConfirm = 1" "  27 ExternalMSI = None")
  string(FIND "${out}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "inspect output lacks '${expected}':\n${out}")
  endif()
endforeach()

execute_process(COMMAND "${PACK}" build --stub "${WORK}/stub.exe" --config "${WORK}/bad.conf" --out "${WORK}/bad.exe"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(FIND "${err}" "bad.conf:2: ProgressScreen must be 0 or 1" at)
if(rc EQUAL 0 OR at EQUAL -1 OR EXISTS "${WORK}/bad.exe")
  message(FATAL_ERROR "a bad config was not refused properly (${rc}): ${err}")
endif()
