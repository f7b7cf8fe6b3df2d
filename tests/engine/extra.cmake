# The wake test announces sleep and wake on a private bus of its own.
target_link_libraries(${target} PRIVATE PkgConfig::SYSTEMD)
