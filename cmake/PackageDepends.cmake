# Run by cpack before it builds the Debian package (CPACK_PRE_BUILD_SCRIPTS): the package's
# Depends, found by dpkg-shlibdeps from every ELF file staged in CPACK_TEMPORARY_DIRECTORY. The
# package's own libraries, in their private directory, are found through the files' run paths.
set(staging ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE staged_files LIST_DIRECTORIES false RELATIVE ${staging} ${staging}/*)
set(elf_files)
foreach(staged IN LISTS staged_files)
  if(NOT IS_SYMLINK ${staging}/${staged})
    file(READ ${staging}/${staged} magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
      list(APPEND elf_files ./${staged})
    endif()
  endif()
endforeach()
if(NOT elf_files)
  message(FATAL_ERROR "PackageDepends: no ELF file staged in ${staging}")
endif()

find_program(ZYN_DPKG_SHLIBDEPS dpkg-shlibdeps REQUIRED)
# dpkg-shlibdeps wants a debian/control in its working directory, and finds the root of the
# package (for $ORIGIN) by its DEBIAN directory; neither goes into the package.
file(WRITE ${staging}/debian/control "")
file(MAKE_DIRECTORY ${staging}/DEBIAN)
execute_process(COMMAND ${ZYN_DPKG_SHLIBDEPS} -O ${elf_files}
                WORKING_DIRECTORY ${staging}
                RESULT_VARIABLE status
                OUTPUT_VARIABLE found
                ERROR_VARIABLE complaints
                OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REMOVE_RECURSE ${staging}/debian ${staging}/DEBIAN)
if(NOT status EQUAL 0 OR NOT found MATCHES "^shlibs:Depends=(.+)$")
  message(FATAL_ERROR "PackageDepends: dpkg-shlibdeps failed (${status}): ${complaints}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
message(STATUS "PackageDepends: Depends: ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
# The package's own libraries carry no version in their names, being private: dpkg-shlibdeps
# says so of each use of them, which is no news.
string(REGEX REPLACE "dpkg-shlibdeps: warning: can't extract name and version from library name 'libzyn[a-z]*\\.so'\n"
                     "" complaints "${complaints}")
if(complaints)
  message(STATUS "PackageDepends: dpkg-shlibdeps says:\n${complaints}")
endif()
