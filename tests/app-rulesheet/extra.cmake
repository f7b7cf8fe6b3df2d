# The preview tests read PDFs and images made the way the facts tests make
# them.
target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/facts/Fixtures.cpp)
target_link_libraries(${target} PRIVATE PkgConfig::ICU)
