# What `cmake --install` puts under the prefix: the tools, the module with the host libraries,
# the host SDK's headers and its CMake and pkg-config files, the documentation with the copyright
# and the changelog, the schemas, the sample table, manual pages and the bash completions.

# The tools: mpgdump, and mpgtree where this tree builds it.
install(TARGETS mpgdump RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET mpgtree)
  install(TARGETS mpgtree RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The module and the libraries it and the tools load, side by side: each finds the others in its
# own directory.
set(zyn_installed_libraries zynobjectmodel zynmapping zynmemtable ${ZYN_MODULE_TARGET})
set_target_properties(${zyn_installed_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS ${ZYN_MODULE_TARGET} LIBRARY DESTINATION ${ZYN_INSTALL_MODULE_DIR})
# The host libraries, with the CMake package and the pkg-config file of the SDK.
include(${CMAKE_CURRENT_LIST_DIR}/InstallSdk.cmake)

# The headers and the vocabulary lists they include.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/host/include/zyn DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h" PATTERN "*.def")

# Files installed compressed as Debian wants them (gzip -9n: no name, no time stamp, so that
# two builds give the same bytes), built into ${CMAKE_BINARY_DIR}/install/.
find_program(ZYN_GZIP gzip REQUIRED)
set(zyn_compressed_files)
function(zyn_compressed source name)
  set(compressed ${CMAKE_BINARY_DIR}/install/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
                     COMMAND ${ZYN_GZIP} -9n -c ${source} > ${compressed}
                     DEPENDS ${source} COMMENT "Compressing ${name}")
  set(zyn_compressed_files ${zyn_compressed_files} ${compressed} PARENT_SCOPE)
endfunction()

# The package's history and copyright, checked against the project's version: the first entry
# of the changelog is the version this tree builds.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog zyn_changelog_top LIMIT_COUNT 1)
if(NOT zyn_changelog_top MATCHES "^zyndcmpgdump \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog does not begin with version ${PROJECT_VERSION}: "
                      "${zyn_changelog_top}")
endif()
zyn_compressed(${CMAKE_SOURCE_DIR}/packaging/changelog changelog)

set(ZYN_INSTALL_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zyndcmpgdump)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/table-format.md
              ${CMAKE_SOURCE_DIR}/docs/mpgtree.md ${CMAKE_SOURCE_DIR}/packaging/copyright
              ${CMAKE_BINARY_DIR}/install/changelog.gz
        DESTINATION ${ZYN_INSTALL_DOC_DIR})

# The schema, and the sample table beside it naming it by its installed place.
set(ZYN_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/zyndcmpgdump)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/schemas/ DESTINATION ${ZYN_INSTALL_DATA_DIR}/schemas
        FILES_MATCHING PATTERN "*.json")
file(READ ${CMAKE_SOURCE_DIR}/tools/mpgdump/sample-table.json zyn_sample_text)
set(zyn_schema_in_tree "\"../../docs/schemas/table.schema.json\"")
string(FIND "${zyn_sample_text}" "${zyn_schema_in_tree}" zyn_schema_at)
if(zyn_schema_at EQUAL -1)
  message(FATAL_ERROR "sample-table.json does not name the schema as ${zyn_schema_in_tree}")
endif()
string(REPLACE "${zyn_schema_in_tree}" "\"schemas/table.schema.json\"" zyn_sample_text
               "${zyn_sample_text}")
set(zyn_installed_sample ${CMAKE_BINARY_DIR}/install/sample-table.json)
set(zyn_sample_before "")
if(EXISTS ${zyn_installed_sample})
  file(READ ${zyn_installed_sample} zyn_sample_before)
endif()
if(NOT zyn_sample_before STREQUAL zyn_sample_text)
  file(WRITE ${zyn_installed_sample} "${zyn_sample_text}")
endif()
install(FILES ${zyn_installed_sample} DESTINATION ${ZYN_INSTALL_DATA_DIR})

# The manual pages, with the project's version put in their title line.
foreach(zyn_tool mpgdump mpgtree)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${zyn_tool}.1 ${CMAKE_BINARY_DIR}/install/${zyn_tool}.1
                 @ONLY)
  zyn_compressed(${CMAKE_BINARY_DIR}/install/${zyn_tool}.1 ${zyn_tool}.1)
  install(FILES ${CMAKE_BINARY_DIR}/install/${zyn_tool}.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(zyn_compressed_files ALL DEPENDS ${zyn_compressed_files})

# Bash completions, where bash-completion loads them on a tool's first use: named after the tool.
foreach(zyn_tool mpgdump mpgtree)
  install(FILES ${CMAKE_SOURCE_DIR}/tools/completion/${zyn_tool}.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${zyn_tool})
endforeach()
