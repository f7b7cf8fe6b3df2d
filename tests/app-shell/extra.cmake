# The shell's tests start the built app (beside the built tool) as a user, a
# launcher or the desktop would, and check its install data with the
# desktop's own validators.
add_dependencies(${target} OlvaApp olva)
target_compile_definitions(${target} PRIVATE OLVA_APP_EXECUTABLE="$<TARGET_FILE:OlvaApp>"
                                             OLVA_EXECUTABLE="$<TARGET_FILE:olva>"
                                             OLVA_PROJECT_VERSION="${PROJECT_VERSION}")

# The desktop file and the metainfo pass the desktop's own validators.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
find_program(APPSTREAMCLI appstreamcli REQUIRED)
add_test(NAME desktop_file_validate
  COMMAND ${DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/OlvaApp/data/tools.olva.app.desktop)
add_test(NAME appstream_validate
  COMMAND ${APPSTREAMCLI} validate --no-net ${PROJECT_SOURCE_DIR}/OlvaApp/data/tools.olva.app.metainfo.xml)
