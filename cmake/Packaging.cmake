# Debian package: `cpack -G DEB` (or plain `cpack`) in the build folder
# writes velmora_<version>_<arch>.deb.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora developers")
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "play the outline of the Mandelbrot set as a melody")
# Hand-wrapped: the control file keeps the lines as they are.
set(CPACK_PACKAGE_DESCRIPTION
"Velmora draws an escape-time picture of the Mandelbrot set, magnifies any
region of it chosen with two clicks and extracts the outline of the set.
From a point clicked on the outline it walks along the outline and plays
the direction of every step as a note of a chosen scale, with a chord
every eight steps, through the FluidSynth General MIDI synthesizer or any
MIDI port. Places, pictures and pieces can be kept and opened again.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories the staging install creates implicitly would otherwise follow
# the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_NAME velmora)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# Qt 6, FluidSynth, ALSA, libsndfile, libebur128, RtMidi and FFmpeg come from dpkg-shlibdeps;
# the SoundFont is read at run time from /usr/share/sounds/sf2/default-GM.sf2,
# which either package provides.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fluid-soundfont-gm | timgm6mb-soundfont")
# The Japanese texts need a CJK font, and Qt's own dialogs their translation.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-vlgothic, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
