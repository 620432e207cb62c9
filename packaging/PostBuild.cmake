# Run by cpack after it wrote the package (CPACK_POST_BUILD_SCRIPTS).
foreach(package ${CPACK_PACKAGE_FILES})
  execute_process(COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/unown-opt ${package} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
