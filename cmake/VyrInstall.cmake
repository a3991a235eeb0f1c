# What `cmake --install` puts under a prefix for callers of libvyr.so: the library, the public
# headers with the engine's and the RINEX library's declarations they need, a CMake package
# (find_package(Vyr) gives Vyr::vyr) and a pkg-config file.
include(CMakePackageConfigHelpers)

set(VYR_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vyr)

install(TARGETS vyr EXPORT VyrTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vyr ${PROJECT_SOURCE_DIR}/cfb/include/cfb
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
# Of the RINEX library only the records the conversions take and give; its reader and writer
# stay inside libvyr.so.
install(FILES ${PROJECT_SOURCE_DIR}/rinex/include/rinex/rnx_types.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/rinex)

install(EXPORT VyrTargets NAMESPACE Vyr:: DESTINATION ${VYR_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VyrConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/VyrConfig.cmake
                              INSTALL_DESTINATION ${VYR_INSTALL_CMAKEDIR})
# Before 1.0 a minor version may break callers, so 0.2 accepts 0.2.x only.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VyrConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VyrConfig.cmake ${PROJECT_BINARY_DIR}/VyrConfigVersion.cmake
        DESTINATION ${VYR_INSTALL_CMAKEDIR})

# The .pc file finds the prefix from its own place, so `--prefix` at install time holds.
file(RELATIVE_PATH VYR_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" VYR_PC_TO_PREFIX "${VYR_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/vyr.pc.in ${PROJECT_BINARY_DIR}/vyr.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vyr.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
