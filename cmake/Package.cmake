# `cpack -G DEB` in a build tree: a Debian package of everything cmake/Install.cmake installs,
# its dependencies found by dpkg-shlibdeps (from dpkg-dev).
set(CPACK_PACKAGE_NAME zyndcmpgdump)
set(CPACK_PACKAGE_VENDOR "ZynDCMpgDUMP developers")
set(CPACK_PACKAGE_CONTACT "ZynDCMpgDUMP developers <zyndcmpgdump@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "mapping-table dump module, its replacement host SDK and the mpgdump tool")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "ZynDCMpgDUMP is a plug-in module that writes an exact, tag-delimited description of "
       "the objects of a host application's mapping tables. The package holds the module, the "
       "host SDK it loads into (headers and libraries), the command-line host mpgdump that "
       "dumps a table described in a JSON file, mpgtree that reads dumps back into a tree, "
       "their manual pages and bash completions, the documentation and JSON Schemas, and a "
       "sample table.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
