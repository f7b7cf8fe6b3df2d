# What `cmake --install` puts on a system, read back from temporary prefixes.
add_test(NAME install_prefixes
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/install-test.sh ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/test-tmp/install-prefixes)
