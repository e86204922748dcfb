# Installs the built library into a scratch prefix, then configures, builds and runs a consumer
# project that finds it with find_package(TXQ CONFIG) and with pkg-config.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "install failed: ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE}/tests/install/consumer -B ${WORK}/consumer -G ${GENERATOR}
                        -DCMAKE_PREFIX_PATH=${WORK}/prefix -DCMAKE_CXX_COMPILER=${CXX}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "consumer configure failed: ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/consumer RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "consumer build failed: ${status}")
endif()
execute_process(COMMAND ${WORK}/consumer/consumer RESULT_VARIABLE status OUTPUT_VARIABLE output)
message(STATUS "consumer said: ${output}")
if(NOT status EQUAL 0 OR NOT output MATCHES "consumer: hello from TXQ 0x")
  message(FATAL_ERROR "consumer run failed: ${status}")
endif()
# The pkg-config file describes the same installation.
file(READ ${WORK}/prefix/lib/pkgconfig/txq.pc pc)
if(NOT pc MATCHES "-lTXQ")
  message(FATAL_ERROR "txq.pc does not link TXQ")
endif()
