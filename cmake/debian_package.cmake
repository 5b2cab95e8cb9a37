# Debian packages with CPack, one per install component:
#   libzentrova<major>  libs  the component libraries (libzentrova, libzentrova_qt)
#   libzentrova-dev     dev   headers, link names, CMake and pkg-config files,
#                             API reference, examples
#   zentrova-cli        cli   the command line (no Qt)
#   zentrova            app   the application, desktop entry, icon, manuals
# From a Release build: cd build/release && cpack -G DEB
#
# dpkg-shlibdeps finds what the binaries link; the media libraries are
# loaded at run time, so they are named here by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentrova)
set(CPACK_PACKAGE_VENDOR Zentrova)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Zentrova developers <zentrova@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Batch media converter")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL libs dev cli app)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libzentrova_qt links libzentrova of the same package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ZENTROVA_HOME_PAGE}")

set(library_package libzentrova${PROJECT_VERSION_MAJOR})
set(debian_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(media_libraries
    "libavcodec59, libavformat59, libavfilter8, libavdevice59, libswscale6, libswresample4, libavutil57")
set(media_headers
    "libavcodec-dev, libavformat-dev, libavfilter-dev, libavdevice-dev, libswscale-dev, libswresample-dev, libavutil-dev")

set(CPACK_DEBIAN_LIBS_PACKAGE_NAME ${library_package})
set(CPACK_DEBIAN_LIBS_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBS_PACKAGE_DEPENDS "${media_libraries}")
set(CPACK_DEBIAN_LIBS_PACKAGE_RECOMMENDS libmfx1)
set(CPACK_COMPONENT_LIBS_DESCRIPTION "Zentrova component libraries
 The conversion engine with its encoder, decoder and logger components
 (libzentrova) and their Qt hand-off and preview window (libzentrova_qt).")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libzentrova-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# The events hand the media libraries' types to the caller; the logger
# formats with {fmt}.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${library_package} (= ${debian_version}), ${media_headers}, libfmt-dev")
set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS qt6-base-dev)
set(CPACK_COMPONENT_DEV_DESCRIPTION "Zentrova component libraries: development files
 Headers, CMake package (find_package(Zentrova)), pkg-config file, API
 reference and examples of the Zentrova component libraries.")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME zentrova-cli)
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "${media_libraries}")
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS libmfx1)
set(CPACK_COMPONENT_CLI_DESCRIPTION "Batch media converter for the command line
 zentrova-cli converts video, audio and picture files, several at once,
 with progress, JSON output for scripts and file probing. No GUI needed.")

set(CPACK_DEBIAN_APP_PACKAGE_NAME zentrova)
set(CPACK_DEBIAN_APP_PACKAGE_DEPENDS "${media_libraries}, qt6-qpa-plugins")
set(CPACK_DEBIAN_APP_PACKAGE_RECOMMENDS libmfx1)
set(CPACK_COMPONENT_APP_DESCRIPTION "Batch media converter
 Add video, audio or picture files, choose the output's size, rates and
 picture adjustments, and convert several files at once.")

include(CPack)
