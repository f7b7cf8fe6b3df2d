# What `cmake --install` puts on a system, read back from temporary prefixes.
add_test(NAME install_prefixes
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/install-test.sh ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/test-tmp/install-prefixes)

# The Debian package that scripts/package.sh makes from this tree (the
# sanitizer build makes none); skipped, saying so, until it is made.
if(NOT OLVA_SANITIZE)
  add_test(NAME debian_package
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/package-test.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION}
            ${CMAKE_BINARY_DIR}/test-tmp/debian-package)
  set_tests_properties(debian_package PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
