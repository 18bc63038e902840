# The Debian package: `cpack -G DEB` in the build folder (scripts/package) takes
# every install() rule of the build, so a new program or module is in the package
# as soon as its folder installs it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Valdoran AB")
set(CPACK_PACKAGE_CONTACT "Valdoran AB <orvex@valdoran.se>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The first line is the synopsis; CPack indents the others as the control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "administration of smart cards and soft tokens
Orvex looks after the tokens that its middleware offers: smart cards in card
readers and file-based soft tokens. Its window lists them, shows a token's
certificates and data boxes, changes and unlocks passwords, creates, imports,
exports and deletes soft tokens and certificates, searches LDAP directories for
other people's certificates and edits the middleware's settings, in eleven
languages.
.
From a file manager it signs, verifies, encrypts and decrypts files as PKCS#7
in a four-page wizard, and shows certificate files. The command line orxxctl
reaches the same tokens, settings and directories without a window system.")
# dpkg-shlibdeps sees what the programs and the module link; what they start or
# load by name it cannot see: the LDAP library, a pinentry for passwords, the
# desktop's openers and mailer, and Qt's SVG plug-in for the scalable icons.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libldap-2.5-0 | libldap2, pinentry-qt | pinentry-curses, xdg-utils, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "opensc-pkcs11, pcscd, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/debian/postinst ${CMAKE_CURRENT_SOURCE_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
