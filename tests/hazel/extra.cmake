# The tests write their own keyed archives with libplist.
target_link_libraries(${target} PRIVATE PkgConfig::PLIST)
