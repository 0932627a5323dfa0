# CLI11 (command lines) for a program: link_cli11(<target>).
# CLI11 is header-only. The Windows cross builds search only the MinGW root
# (and must not see the rest of /usr/include), so there the Debian headers are
# reached through a folder in the build tree holding just them.
include_guard(GLOBAL)

function(link_cli11 target)
  if(WIN32)
    set(cli11_root "${CMAKE_BINARY_DIR}/cli11-include")
    if(NOT EXISTS "${cli11_root}/CLI")
      file(MAKE_DIRECTORY "${cli11_root}")
      file(CREATE_LINK /usr/include/CLI "${cli11_root}/CLI" SYMBOLIC)
    endif()
    target_include_directories(${target} SYSTEM PRIVATE "${cli11_root}")
  else()
    find_package(CLI11 CONFIG REQUIRED)
    target_link_libraries(${target} PRIVATE CLI11::CLI11)
  endif()
endfunction()
