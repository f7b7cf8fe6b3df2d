# The notification test listens on the session bus itself.
target_link_libraries(${target} PRIVATE PkgConfig::SYSTEMD)
