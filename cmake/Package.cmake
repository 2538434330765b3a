# "cpack -G DEB" in the build tree: a Debian package installing under /usr.
set(CPACK_PACKAGE_NAME loopwright)
set(CPACK_PACKAGE_VENDOR Marvolent)
set(CPACK_PACKAGE_CONTACT "Marvolent <support@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns still pictures into animated GIFs")
set(CPACK_PACKAGE_DESCRIPTION "Loopwright adds PNG, JPEG, BMP and GIF pictures to a strip of \
frames, previews the animation and writes a GIF that loops forever; the work is kept as a project. \
loopwright-cli writes the same GIFs from scripts, without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.example.com/loopwright/)
# The libraries come from what the program links (dpkg-shlibdeps), and
# FFmpeg's, which it loads on the first video; the font is for the Chinese and
# Japanese interface, which would otherwise show boxes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, ${LW_FFMPEG_PACKAGES}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
