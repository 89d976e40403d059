# Installs the library, the gkpack tool, the headers under include/gk/ (folders kept, so the
# headers' own includes resolve), a CMake package exporting gk::gk and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS gk EXPORT gkTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS gkpack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/gk
  FILES_MATCHING PATTERN "*.h" PATTERN "game" EXCLUDE)

set(GK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/gk)
install(EXPORT gkTargets NAMESPACE gk:: DESTINATION ${GK_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/gkConfig.cmake.in
  ${PROJECT_BINARY_DIR}/gkConfig.cmake INSTALL_DESTINATION ${GK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/gkConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/gkConfig.cmake ${PROJECT_BINARY_DIR}/gkConfigVersion.cmake
  DESTINATION ${GK_CMAKE_DIR})

configure_file(${PROJECT_SOURCE_DIR}/cmake/gk.pc.in ${PROJECT_BINARY_DIR}/gk.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/gk.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
