# Run by `cmake --install` (and so by CPack): writes the D-Bus service file
# with the app's path under the prefix given then, which may differ from the
# one the build was configured with. DESTDIR only stages the files and stays
# out of the path. Expects OLVA_SERVICE_IN, OLVA_SERVICE_OUT and OLVA_BINDIR
# (relative to the prefix, or absolute).
#
# The bus runs Exec= from no particular folder, so a prefix given relative to
# where the install ran (which is where its files went) is made absolute
# against that folder, the current one of this script.
cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_PREFIX BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE
           OUTPUT_VARIABLE OLVA_PREFIX)
cmake_path(ABSOLUTE_PATH OLVA_BINDIR BASE_DIRECTORY "${OLVA_PREFIX}" NORMALIZE OUTPUT_VARIABLE OLVA_APP_DIR)
cmake_path(APPEND OLVA_APP_DIR OlvaApp OUTPUT_VARIABLE OLVA_APP_INSTALLED)
configure_file("${OLVA_SERVICE_IN}" "${OLVA_SERVICE_OUT}" @ONLY)
