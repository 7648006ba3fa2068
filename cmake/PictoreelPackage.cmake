# `cpack -G DEB` (run in the build folder) makes pictoreel_<version>_<arch>.deb for /usr. The
# libraries the programs link come from dpkg-shlibdeps; the plug-ins Qt loads at run time (SVG
# icons), ImageMagick's extra coders (WebP, HEIC, AVIF), the metafile module's libraries (it is
# loaded at run time too), the font captions are drawn in by default (Pango, which draws them, is
# linked and found by dpkg-shlibdeps) and the desktop's opener for help and web pages are named here.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "pictoreel")
set(CPACK_PACKAGE_VENDOR "Pictoreel developers")
set(CPACK_PACKAGE_CONTACT "Pictoreel developers <pictoreel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "builds animated GIFs from still pictures")
set(CPACK_PACKAGE_DESCRIPTION
    "Pictoreel collects pictures of many formats into a project, orders them,\n"
    "gives each frame a delay and an optional transparent colour, and makes an\n"
    "animated GIF. It comes with a GIF player, a frames extractor, AVI to GIF\n"
    "converters and pictoreel-cli for scripts.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.org/pictoreel/")
set(CPACK_RESOURCE_FILE_LICENSE "${CMAKE_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, hicolor-icon-theme, libmagickcore-6.q16-6-extra, libemf2svg1, libuemf0, librsvg2-2, libwebp7, libwebpmux3, libwebpdemux2, fonts-dejavu-core, libpipewire-0.3-0, libqt6dbus6")
# The desktop's own file dialogs (through the portal, or GTK's), where the desktop offers them;
# the ScreenCast portal and PipeWire, which a Wayland session is recorded through; Qt's own texts
# in the user's language (the windows' own translations are compiled in).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-xdgdesktopportal-platformtheme | qt6-gtk-platformtheme, xdg-desktop-portal, pipewire, qt6-translations-l10n")
# Only the programs and their files: tests and benchmarks install nothing.
include(CPack)
