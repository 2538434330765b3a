# Libraries the program uses besides wxWidgets.
find_package(PkgConfig REQUIRED)
# The update check's download: TLS, one deadline, bounded sizes.
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
target_link_libraries(loopwright_core PUBLIC PkgConfig::CURL)
# Palette reduction of frames with more than 256 colours.
pkg_check_modules(IMAGEQUANT REQUIRED IMPORTED_TARGET imagequant)
target_link_libraries(loopwright_core PUBLIC PkgConfig::IMAGEQUANT)
# Project files and the option document are read with expat under limits.
find_package(EXPAT REQUIRED)
target_link_libraries(loopwright_core PRIVATE EXPAT::EXPAT)
# The frame store compresses each frame's pixels (fast, lossless).
pkg_check_modules(ZSTD REQUIRED IMPORTED_TARGET libzstd)
target_link_libraries(loopwright_core PUBLIC PkgConfig::ZSTD)
