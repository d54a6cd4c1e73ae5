# `cpack -G DEB` in the build folder: a Debian package of what `cmake --install` installs, its
# dependencies found by dpkg-shlibdeps, and maintainer scripts that refresh the desktop's caches.
set(CPACK_PACKAGE_NAME vorel)
set(CPACK_PACKAGE_VENDOR "Vorel")
set(CPACK_PACKAGE_CONTACT "Vorel developers <vorel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "wave editor, additive synthesizer and step sequencer")
set(CPACK_PACKAGE_DESCRIPTION
    "Vorel designs and sequences synthesized sounds. The wave editor (vorel) shapes one periodic
wave from 100 harmonics; the sound editor (vorel-sound-editor) builds an additive synthesizer
sound on it, sequences notes on a grid of 80 bars and renders them to WAV; vorel-render does
the same without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
