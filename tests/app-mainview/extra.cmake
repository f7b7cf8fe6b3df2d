# Dropped Hazel exports are written the way the import's own tests write them.
target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/hazel/ArchiveBuilder.cpp
                                 ${PROJECT_SOURCE_DIR}/tests/hazel/HazelExport.cpp)
target_link_libraries(${target} PRIVATE PkgConfig::PLIST)
