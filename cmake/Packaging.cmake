# The Debian package of the desktop program and the command-line tool:
# `cpack -G DEB` in a build folder packs whatever the install rules install
# (programs, libraries, the Python module, the manual page, the help guide, the desktop entry,
# the MIME type, the icon and the AppStream metadata).
include(GNUInstallDirs)
set(CPACK_PACKAGE_NAME orvelin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Orvelin developers")
set(CPACK_PACKAGE_CONTACT "The Orvelin developers <orvelin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "analyser for the optics of all-mirror telescopes")
set(CPACK_PACKAGE_DESCRIPTION
  "Orvelin traces real rays through reflecting telescopes of up to twenty tilted conic or toroidal mirrors and shows the design table, a side view of the layout, a report of thirty aberration figures and spot diagrams, and prints them. orvelin-cli does the same without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # orvelin_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries the programs link, found by dpkg-shlibdeps; then what they
# load or read at run time, which it cannot see: Qt's platform plugin for
# the window (xcb) and the fixed-pitch font the pages are drawn in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
# The Python module is built for one minor version of the system's Python 3
# and hands rays over as numpy arrays.
if(ORVELIN_PYTHON_BUILT)
  math(EXPR ORVELIN_PY_NEXT_MINOR "${Python_VERSION_MINOR} + 1")
  string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS
    ", python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}), python3 (<< ${Python_VERSION_MAJOR}.${ORVELIN_PY_NEXT_MINOR}), python3-numpy")
endif()
include(CPack)
