# What `cmake --install` puts under the prefix: the tools, the module with the host libraries,
# the host SDK's headers, the documentation, the schemas, the sample table, manual pages and the
# bash completions.

# The tools: mpgdump, and mpgtree where this tree builds it.
install(TARGETS mpgdump RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET mpgtree)
  install(TARGETS mpgtree RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The module and the libraries it and the tools load, side by side: each finds the others in its
# own directory.
set(zyn_installed_libraries zynobjectmodel zynmapping zynmemtable ${ZYN_MODULE_TARGET})
set_target_properties(${zyn_installed_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS ${zyn_installed_libraries}
        LIBRARY DESTINATION ${ZYN_INSTALL_MODULE_DIR}
        RUNTIME DESTINATION ${ZYN_INSTALL_MODULE_DIR})

# The headers and the vocabulary lists they include.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/host/include/zyn DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h" PATTERN "*.def")

set(ZYN_INSTALL_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zyndcmpgdump)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/table-format.md
              ${CMAKE_SOURCE_DIR}/docs/mpgtree.md
        DESTINATION ${ZYN_INSTALL_DOC_DIR})

# The schema, and the sample table beside it naming it by its installed place.
set(ZYN_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/zyndcmpgdump)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/schemas/ DESTINATION ${ZYN_INSTALL_DATA_DIR}/schemas
        FILES_MATCHING PATTERN "*.json")
file(READ ${CMAKE_SOURCE_DIR}/tools/mpgdump/sample-table.json zyn_sample_text)
set(zyn_schema_in_tree "\"../../docs/schemas/table.schema.json\"")
string(FIND "${zyn_sample_text}" "${zyn_schema_in_tree}" zyn_schema_at)
if(zyn_schema_at EQUAL -1)
  message(FATAL_ERROR "sample-table.json no longer names the schema as ${zyn_schema_in_tree}")
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

install(FILES ${CMAKE_SOURCE_DIR}/docs/man/mpgdump.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/docs/man/mpgtree.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Bash completions, where bash-completion loads them on a tool's first use: named after the tool.
foreach(zyn_tool mpgdump mpgtree)
  install(FILES ${CMAKE_SOURCE_DIR}/tools/completion/${zyn_tool}.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${zyn_tool})
endforeach()
