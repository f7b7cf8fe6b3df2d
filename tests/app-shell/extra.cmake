# The shell's tests start the built app (beside the built tool) as a user, a
# launcher or the desktop would, and check its install data with the
# desktop's own validators.
add_dependencies(${target} OlvaApp olva)
target_compile_definitions(${target} PRIVATE OLVA_APP_EXECUTABLE="$<TARGET_FILE:OlvaApp>"
                                             OLVA_EXECUTABLE="$<TARGET_FILE:olva>")
