# `cpack -G DEB` in a build tree: a Debian package of everything cmake/Install.cmake installs,
# its dependencies found by dpkg-shlibdeps (from dpkg-dev), checked clean by lintian
# (tests/install/install-check.sh).
set(CPACK_PACKAGE_NAME zyndcmpgdump)
set(CPACK_PACKAGE_VENDOR "ZynDCMpgDUMP developers")
# A placeholder under example.org (reserved for examples, accepted by Debian's tools) until the
# one who distributes the package gives a real address.
set(ZYN_PACKAGE_MAINTAINER "ZynDCMpgDUMP developers <zyndcmpgdump@example.org>"
    CACHE STRING "The Debian package's Maintainer: \"Name <address>\"")
set(CPACK_PACKAGE_CONTACT "${ZYN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "mapping-table dump module, its replacement host SDK and the mpgdump tool")
# One line of the package's description per line here, each under 80 characters as Debian asks.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "ZynDCMpgDUMP is a plug-in module that writes an exact, tag-delimited\n"
       "description of the objects of a host application's mapping tables.\n"
       "The package holds the module, the host SDK it loads into (headers,\n"
       "libraries, CMake package and pkg-config file), the command-line host\n"
       "mpgdump that dumps a table described in a JSON file, mpgtree that reads\n"
       "dumps back into a tree, their manual pages and bash completions, the\n"
       "documentation and JSON Schemas, and a sample table.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# CPack's own dependency search also adds ldconfig calls to the maintainer scripts whenever a
# shared library lies anywhere under /usr/lib, even in a private directory that ldconfig never
# reads: the dependencies come from PackageDepends.cmake instead, and the package has no
# maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageDepends.cmake)
include(CPack)
