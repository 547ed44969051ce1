# Fails unless CTest knows a hardening test for each of PROGRAMS in the build
# BUILD_DIR. A test added in a folder that was read before testing was
# enabled is silently left out of CTest's list; this finds it.
#   cmake -DBUILD_DIR=... "-DPROGRAMS=a;b" -P check-hardening-registered.cmake
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${BUILD_DIR} -N
                OUTPUT_VARIABLE listing RESULT_VARIABLE listed)
if(NOT listed EQUAL 0)
  message(FATAL_ERROR "ctest -N failed in ${BUILD_DIR}")
endif()
set(missing "")
foreach(program IN LISTS PROGRAMS)
  if(NOT listing MATCHES "Test +#[0-9]+: hardening\\.${program}\n")
    list(APPEND missing ${program})
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "No hardening test registered for: ${missing}")
endif()
list(LENGTH PROGRAMS count)
message("Every one of the ${count} programs has its hardening test.")
