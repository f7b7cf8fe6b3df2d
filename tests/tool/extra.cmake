# The tests spawn the built program as well as driving it in-process.
add_dependencies(${target} olva)
target_compile_definitions(${target} PRIVATE OLVA_EXECUTABLE="$<TARGET_FILE:olva>")

# Drives `olva mcp` through the official MCP TypeScript SDK client; npm
# installs the pinned client into the build tree first.
add_test(NAME mcp_sdk_client
  COMMAND ${PROJECT_SOURCE_DIR}/tests/mcp-client/run.sh ${CMAKE_BINARY_DIR}/mcp-client
          $<TARGET_FILE:olva> ${CMAKE_BINARY_DIR}/test-tmp)
set_tests_properties(mcp_sdk_client PROPERTIES TIMEOUT 300)

# Notifications are checked on the session bus itself.
target_link_libraries(${target} PRIVATE PkgConfig::SYSTEMD)

# Imports read Hazel exports written the way the Hazel import's own tests write them.
target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/hazel/ArchiveBuilder.cpp
                                 ${PROJECT_SOURCE_DIR}/tests/hazel/HazelExport.cpp)
target_link_libraries(${target} PRIVATE PkgConfig::PLIST)

# `olva --version` names the project's version.
target_compile_definitions(${target} PRIVATE OLVA_PROJECT_VERSION="${PROJECT_VERSION}")
