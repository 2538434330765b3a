# Libraries the program uses besides wxWidgets.
find_package(PkgConfig REQUIRED)
# Palette reduction of frames with more than 256 colours.
pkg_check_modules(IMAGEQUANT REQUIRED IMPORTED_TARGET imagequant)
target_link_libraries(loopwright_core PUBLIC PkgConfig::IMAGEQUANT)
