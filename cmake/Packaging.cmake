# The Debian package (make package, or cpack in a build directory): the program, its tools,
# the demo program folder, the launcher and the desktop entry, as `cmake --install` lays them
# out under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovaleer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tovaleer")
set(CPACK_PACKAGE_CONTACT "Tovaleer developers <tovaleer@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tovaleer developers <tovaleer@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "start menu of the Tovaleer Gr 4-5 learning suite")
# CPack puts the summary on the Description line and indents these lines beneath it; Debian
# wants them no longer than 80 columns with that indent.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "A full-screen picture menu for pupils of grades 4 and 5, in Afrikaans and
English: it asks for the language, the pupil's name and the mouse hand, and
starts the suite's activity programs and its report program, with spoken
sounds and background music.

The package holds the menu (tovaleer), a demo program folder with stand-in
activities (/usr/lib/tovaleer/suite, started by tovaleer-demo and the desktop
entry), the kiosk session (tovaleer-kiosk), the folder check for installers
(tovaleer-check) and a picture decoder (imgdecode).")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tovaleer.example.org/")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The copyright file, the changelog, the manual pages and the AppStream description.
add_subdirectory(packaging)
# Tovaleer is not made for Debian alone, so the package is a Debian revision of the upstream
# version (4.2-1), with its history in changelog.Debian.gz; the revision comes from
# packaging/changelog.
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TOV_DEBIAN_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The libraries come from dpkg-shlibdeps; these are what the program needs beside them: the
# General MIDI sound font of the music, the volume control the mute picture opens, the opener
# of documents and folders, the font with Arial's metrics, and Qt's Wayland platform (a
# plugin, which dpkg-shlibdeps cannot see) for Wayland sessions.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont, pavucontrol, xdg-utils, fonts-liberation, qt6-wayland")
# A school's own suite is made of Windows programs, which the menu starts through Wine; the
# demo suite needs none, so the package recommends it rather than depending on it. The
# guardian gives GNOME's left-handed setting back with gsettings (libglib2.0-bin), which every
# GNOME desktop has.
# The kiosk session runs the menu in cage.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine, libglib2.0-bin, cage")
include(CPack)
