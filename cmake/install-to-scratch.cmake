# Installs the build in BUILD_DIR into PREFIX, emptied first, so that what
# is there afterwards is what one install put there.
if(NOT BUILD_DIR OR NOT PREFIX)
  message(FATAL_ERROR "usage: cmake -DBUILD_DIR=... -DPREFIX=... -P install-to-scratch.cmake")
endif()
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE installed)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install ${BUILD_DIR} --prefix ${PREFIX} failed: ${installed}")
endif()
