# Compiles SOURCE (syntax only) with GSF_FIELD=FIELD and checks the outcome:
# EXPECT=builds wants no error; EXPECT=refused wants the compiler to fail with
# an error that names FIELD, so that a source broken for another reason (a
# missing header, a wrong flag) does not pass for a refused field name.
#   cmake -DCOMPILER=... -DSTD_FLAG=... -DINCLUDE=... -DSOURCE=... -DFIELD=... -DEXPECT=... -P check_compile.cmake
foreach(var COMPILER STD_FLAG INCLUDE SOURCE FIELD EXPECT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_compile: ${var} is not set")
  endif()
endforeach()

# Plain ASCII messages whatever the locale, so the name can be matched.
set(ENV{LC_ALL} C)
execute_process(
  COMMAND ${COMPILER} ${STD_FLAG} -fsyntax-only -I${INCLUDE} -DGSF_FIELD=${FIELD} ${SOURCE}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)

if(EXPECT STREQUAL "builds")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "expected ${SOURCE} to build with GSF_FIELD=${FIELD}:\n${output}")
  endif()
elseif(EXPECT STREQUAL "refused")
  if(result EQUAL 0)
    message(FATAL_ERROR "expected the misspelt field ${FIELD} to be refused, but ${SOURCE} built")
  endif()
  if(NOT output MATCHES "error" OR NOT output MATCHES "[^A-Za-z0-9_]${FIELD}[^A-Za-z0-9_]")
    message(FATAL_ERROR "${SOURCE} failed, but not on the field ${FIELD}:\n${output}")
  endif()
  message(STATUS "refused as expected:\n${output}")
else()
  message(FATAL_ERROR "check_compile: EXPECT must be builds or refused, not ${EXPECT}")
endif()
