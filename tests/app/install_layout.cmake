# Installs the build into a scratch prefix and checks the program's folder, its link and the
# characters folder.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P install_layout.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(f lib/vtscripter/vtscripter lib/vtscripter/vistrel.ini lib/vtscripter/vt.png
          lib/vtscripter/scripts/example.vtl)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "missing after install: ${f}")
  endif()
endforeach()
if(NOT IS_SYMLINK "${PREFIX}/bin/vtscripter")
  message(FATAL_ERROR "bin/vtscripter is not a link")
endif()
file(READ_SYMLINK "${PREFIX}/bin/vtscripter" target)
if(NOT target STREQUAL "../lib/vtscripter/vtscripter")
  message(FATAL_ERROR "bin/vtscripter points at ${target}")
endif()
if(NOT IS_DIRECTORY "${PREFIX}/share/vistrel/chars")
  message(FATAL_ERROR "no characters folder")
endif()
file(REMOVE_RECURSE "${PREFIX}")
