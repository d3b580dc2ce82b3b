# A Debian package of the program: the executable, its desktop file and icon (see app/).
# Qt's libraries come in through the executable's own links; OpenSSL is loaded at run time and
# the window needs Qt's platform plugins and the history Qt's SQLite driver, so they are named
# outright.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dalvo-lumetta)
set(CPACK_PACKAGE_VENDOR "Dalvo")
set(CPACK_PACKAGE_CONTACT "Dalvo Lumetta maintainers <lumetta@dalvo.ru>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "AliExpress affiliate partner links and their short form")
set(CPACK_PACKAGE_DESCRIPTION "Dalvo Lumetta turns an AliExpress page address into a tracked \
partner link through the affiliate API, shortens it, and shows both with copy buttons and a \
Russian log.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY dalvo-lumetta)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3, qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LUMETTA_MAKER_SITE}/soft/lumetta")
include(CPack)
