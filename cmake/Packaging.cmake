# The Debian package (cpack -G DEB in the build folder): the programs, the shipped files, the help,
# the desktop entry and the icon. dpkg-shlibdeps finds the libraries the programs link; the Qt
# platform plugins are loaded at run time, so they are named here.
set(CPACK_PACKAGE_NAME skyvane)
set(CPACK_PACKAGE_VENDOR "The Skyvane developers")
set(CPACK_PACKAGE_CONTACT "The Skyvane developers <skyvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Camera tool for filming the replays of two classic racing simulators")
set(CPACK_PACKAGE_DESCRIPTION
    "Keeps a library of car camera sets and effects, moves sets into the games' camera files, and flies "
    "the game's camera live while a replay plays.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY skyvane)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_GENERATOR DEB)
include(CPack)
