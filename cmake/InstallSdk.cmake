# The installed host SDK as other projects find it: the three host libraries exported as the
# CMake package ZynHost (find_package(ZynHost CONFIG): ZynHost::objectmodel, ZynHost::mapping,
# ZynHost::memtable), and the pkg-config file zynhost.pc. Both name the headers and the private
# library directory relative to where they are installed, so that a moved prefix still works.

include(CMakePackageConfigHelpers)

set(zyn_sdk_libraries zynobjectmodel zynmapping zynmemtable)
set_target_properties(zynobjectmodel PROPERTIES EXPORT_NAME objectmodel)
set_target_properties(zynmapping PROPERTIES EXPORT_NAME mapping)
set_target_properties(zynmemtable PROPERTIES EXPORT_NAME memtable)
install(TARGETS ${zyn_sdk_libraries} EXPORT ZynHostTargets
        LIBRARY DESTINATION ${ZYN_INSTALL_MODULE_DIR}
        RUNTIME DESTINATION ${ZYN_INSTALL_MODULE_DIR})

set(zyn_cmake_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/ZynHost)
install(EXPORT ZynHostTargets NAMESPACE ZynHost:: DESTINATION ${zyn_cmake_package_dir})
configure_file(${CMAKE_CURRENT_LIST_DIR}/ZynHostConfig.cmake.in
               ${CMAKE_BINARY_DIR}/install/ZynHostConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/install/ZynHostConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/install/ZynHostConfig.cmake
              ${CMAKE_BINARY_DIR}/install/ZynHostConfigVersion.cmake
        DESTINATION ${zyn_cmake_package_dir})

# pkg-config's directory of the prefix: on a multiarch system the one under the architecture's
# library directory, the only one its cross-compilation wrapper searches.
set(zyn_pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(CMAKE_LIBRARY_ARCHITECTURE
   AND NOT CMAKE_INSTALL_LIBDIR MATCHES "/${CMAKE_LIBRARY_ARCHITECTURE}$")
  set(zyn_pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig)
endif()
# The prefix as seen from the .pc file's own directory (pkg-config's ${pcfiledir}).
file(RELATIVE_PATH ZYN_PREFIX_FROM_PKGCONFIG ${CMAKE_INSTALL_PREFIX}/${zyn_pkgconfig_dir}
     ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" ZYN_PREFIX_FROM_PKGCONFIG "${ZYN_PREFIX_FROM_PKGCONFIG}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/zynhost.pc.in ${CMAKE_BINARY_DIR}/install/zynhost.pc
               @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/zynhost.pc DESTINATION ${zyn_pkgconfig_dir})
