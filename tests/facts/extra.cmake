# The fixtures draw text into images and scanned PDFs with QtGui, and the
# tests pin ICU's locale and time zone.
find_package(Qt6 REQUIRED COMPONENTS Gui)
target_link_libraries(${target} PRIVATE Qt6::Gui PkgConfig::ICU)
