# The model's tests run the built tool as a user or an AI client would, and
# import Hazel exports written the way the import's own tests write them.
add_dependencies(${target} olva)
target_compile_definitions(${target} PRIVATE OLVA_EXECUTABLE="$<TARGET_FILE:olva>")
target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/tool/Spawn.cpp
                                 ${PROJECT_SOURCE_DIR}/tests/hazel/ArchiveBuilder.cpp
                                 ${PROJECT_SOURCE_DIR}/tests/hazel/HazelExport.cpp)
target_link_libraries(${target} PRIVATE PkgConfig::PLIST)
