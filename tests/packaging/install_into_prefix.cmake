# cmake -DBUILD_DIR=... -DPREFIX=... -P install_into_prefix.cmake
# Installs the build into an empty PREFIX as a user would, then compiles the MIME database there
# so the desktop's tools (xdg-mime, file managers) see the ".agp" type from that prefix.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install into ${PREFIX} failed: ${result}")
endif()
find_program(UPDATE_MIME_DATABASE update-mime-database)
if(UPDATE_MIME_DATABASE)
  execute_process(COMMAND ${UPDATE_MIME_DATABASE} "${PREFIX}/share/mime" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "update-mime-database refused ${PREFIX}/share/mime")
  endif()
endif()
