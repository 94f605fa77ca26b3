# Run by cpack before it builds the Debian package (CPACK_PRE_BUILD_SCRIPTS): the package's
# Depends, found by dpkg-shlibdeps from every ELF file staged in CPACK_TEMPORARY_DIRECTORY. The
# package's own libraries, in their private directory, are found through the files' run paths.
# Its variables share cpack's scope: their names begin with zyn_.
set(zyn_staging ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE zyn_staged_files LIST_DIRECTORIES false RELATIVE ${zyn_staging} ${zyn_staging}/*)
set(zyn_elf_files)
foreach(zyn_staged IN LISTS zyn_staged_files)
  if(NOT IS_SYMLINK ${zyn_staging}/${zyn_staged})
    file(READ ${zyn_staging}/${zyn_staged} zyn_magic LIMIT 4 HEX)
    if(zyn_magic STREQUAL "7f454c46")
      list(APPEND zyn_elf_files ./${zyn_staged})
    endif()
  endif()
endforeach()
if(NOT zyn_elf_files)
  message(FATAL_ERROR "PackageDepends: no ELF file staged in ${zyn_staging}")
endif()

find_program(ZYN_DPKG_SHLIBDEPS dpkg-shlibdeps REQUIRED)
# dpkg-shlibdeps wants a debian/control in its working directory, and finds the root of the
# package (for $ORIGIN) by its DEBIAN directory; neither goes into the package.
file(WRITE ${zyn_staging}/debian/control "")
file(MAKE_DIRECTORY ${zyn_staging}/DEBIAN)
execute_process(COMMAND ${ZYN_DPKG_SHLIBDEPS} -O ${zyn_elf_files}
                WORKING_DIRECTORY ${zyn_staging}
                RESULT_VARIABLE zyn_status
                OUTPUT_VARIABLE zyn_found
                ERROR_VARIABLE zyn_complaints
                OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REMOVE_RECURSE ${zyn_staging}/debian ${zyn_staging}/DEBIAN)
if(NOT zyn_status EQUAL 0 OR NOT zyn_found MATCHES "^shlibs:Depends=(.+)$")
  message(FATAL_ERROR "PackageDepends: dpkg-shlibdeps failed (${zyn_status}): ${zyn_complaints}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
message(STATUS "PackageDepends: Depends: ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
# The package's own libraries carry no version in their names, being private: dpkg-shlibdeps
# says so of each use of them, which is no news.
string(CONCAT zyn_no_news "dpkg-shlibdeps: warning: can't extract name and version "
       "from library name 'libzyn[a-z]*\\.so'\n")
string(REGEX REPLACE "${zyn_no_news}" "" zyn_complaints "${zyn_complaints}")
if(zyn_complaints)
  message(STATUS "PackageDepends: dpkg-shlibdeps says:\n${zyn_complaints}")
endif()
