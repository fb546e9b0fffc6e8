# Installs the built library into a scratch prefix, then configures, builds
# and runs a consumer that knows the package only through find_package.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${rc}")
endif()
foreach(file lib/cmake/mdxgen/mdxgenConfig.cmake lib/pkgconfig/mdxgen.pc include/mdxgen/mdxgen.h)
  if(NOT EXISTS ${WORK_DIR}/prefix/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${WORK_DIR}/build
                        -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix
                        "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "consumer configure failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "consumer build failed: ${rc}")
endif()
execute_process(COMMAND ${WORK_DIR}/build/consumer RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "[Time].[1997].[Q1].PARENT\n")
  message(FATAL_ERROR "consumer run failed: ${rc} '${out}'")
endif()
if(EXISTS ${WORK_DIR}/build/xmla_consumer)
  execute_process(COMMAND ${WORK_DIR}/build/xmla_consumer RESULT_VARIABLE rc OUTPUT_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "invalid argument\n")
    message(FATAL_ERROR "XMLA consumer run failed: ${rc} '${out}'")
  endif()
endif()
