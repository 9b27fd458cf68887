# A Debian package of the installed program: `./dev package` builds it with CPack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vistrel-scripter)
set(CPACK_PACKAGE_VENDOR "Vistrel")
set(CPACK_PACKAGE_CONTACT "Vistrel Scripter developers <developers@vistrel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "write and play scripts for animated desktop characters")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "write and play scripts for animated desktop characters
 Vistrel Scripter is an editor for plain-text scripts that bring animated
 characters onto the desktop: they appear, walk to where the script sends
 them, play their animations and speak their lines in speech balloons with
 a voice from espeak-ng. It reads real character files, checks a script
 against the characters it uses while it is written, and plays scripts from
 the editor, from the command line or from a file manager.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vistrel.org/scripter")
# The libraries' packages come from dpkg-shlibdeps; the voices are data no library names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# What Debian asks of every package's documentation folder.
set(doc ${CMAKE_BINARY_DIR}/package-doc)
configure_file(${PROJECT_SOURCE_DIR}/data/package/changelog ${doc}/changelog @ONLY)
add_custom_command(OUTPUT ${doc}/changelog.gz
  COMMAND gzip -9nkf ${doc}/changelog
  DEPENDS ${doc}/changelog
  COMMENT "Compressing the package's changelog")
add_custom_target(vistrel_package_doc ALL DEPENDS ${doc}/changelog.gz)
install(FILES ${doc}/changelog.gz ${PROJECT_SOURCE_DIR}/data/package/copyright
        DESTINATION share/doc/vistrel-scripter)

include(CPack)
