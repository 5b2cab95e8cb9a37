# The component library as other programs use it: the shared libraries
# libzentrova.so.<major> (engine, encoder, decoder, logger, binding) and,
# with the GUI, libzentrova_qt.so.<major> (Qt hand-off and preview window),
# their public headers under include/zentrova/, a CMake package
# (find_package(Zentrova CONFIG): Zentrova::zentrova, Zentrova::qt), a
# pkg-config file and the API reference.
#
# Install components: "libs" (the shared libraries) and "dev" (headers, link
# names, package files, API reference). The programs keep linking the static
# subsystem libraries: they do not depend on the installed libraries.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# What a caller includes, relative to src/: the components, their records
# and events, the logger and the main-thread queue, and what their classes
# are made of. None of them includes the binding's slots (media/ff.h) or the
# engine; the engine is reached only through pointers to its classes.
set(ZENTROVA_PUBLIC_HEADERS
  decoder/custom_decoder.h
  decoder/frame_info.h
  decoder/ridarivir.h
  decoder/stream_info.h
  decoder/video_filter.h
  decoder/wave_info.h
  encoder/custom_encoder.h
  encoder/derodorir.h
  encoder/encoder_events.h
  encoder/event_slot.h
  encoder/progress_info.h
  encoder/stream_source.h
  encoder/task_options.h
  encoder/terminate_info.h
  log/base_component.h
  log/library_version.h
  log/log_level.h
  log/logger.h
  log/main_thread.h
  log/threads.h
  media/av_deleters.h
  media/av_types.h
  options/ff_options.h
  options/input_guard.h
  options/option_def.h
  picture/av_picture.h
  picture/bitmap.h
  picture/format_converter.h
)
set(ZENTROVA_QT_PUBLIC_HEADERS
  engine/run/preview_surface.h
  qt/bitmap_image.h
  qt/main_thread_hook.h
  qt/previewer_form.h
)
set(ZENTROVA_INCLUDE_INSTALL_DIR ${CMAKE_INSTALL_INCLUDEDIR}/zentrova)
set(ZENTROVA_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Zentrova)

# Installs `headers` (relative to src/) under include/zentrova/, keeping their folders.
function(zentrova_install_headers)
  foreach(header IN LISTS ARGN)
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/src/${header}
            DESTINATION ${ZENTROVA_INCLUDE_INSTALL_DIR}/${folder} COMPONENT dev)
  endforeach()
endfunction()

# zentrova_shared_library(<target> <output name> <export set> [<static libraries...>])
# A versioned shared library holding every object of the static libraries
# (and the sources the caller adds).
function(zentrova_shared_library target output_name export_set)
  add_library(${target} SHARED)
  if(ARGN)
    # Every object of the archives (not only those something refers to);
    # the archives' own dependencies follow them.
    list(TRANSFORM ARGN REPLACE "(.+)" "$<TARGET_FILE:\\1>" OUTPUT_VARIABLE archive_files)
    target_link_libraries(${target} PRIVATE -Wl,--whole-archive ${archive_files} -Wl,--no-whole-archive)
    add_dependencies(${target} ${ARGN})
    foreach(archive IN LISTS ARGN)
      get_target_property(archive_dependencies ${archive} INTERFACE_LINK_LIBRARIES)
      if(archive_dependencies)
        list(FILTER archive_dependencies EXCLUDE REGEX "^zentrova_")
        target_link_libraries(${target} PRIVATE ${archive_dependencies})
      endif()
    endforeach()
  endif()
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${output_name}
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    LINKER_LANGUAGE CXX)
  # Include both: <zentrova/encoder/derodorir.h> and, as the headers include
  # each other, "encoder/derodorir.h".
  target_include_directories(${target} INTERFACE
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    $<INSTALL_INTERFACE:${ZENTROVA_INCLUDE_INSTALL_DIR}>)
  install(TARGETS ${target} EXPORT ${export_set}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libs NAMELINK_COMPONENT dev)
endfunction()

zentrova_shared_library(zentrova_shared zentrova ZentrovaTargets
  zentrova_core zentrova_options zentrova_picture zentrova_engine zentrova_decoder zentrova_encoder)
configure_file(${PROJECT_SOURCE_DIR}/cmake/library_version.cpp.in ${PROJECT_BINARY_DIR}/library_version.cpp @ONLY)
target_sources(zentrova_shared PRIVATE ${PROJECT_BINARY_DIR}/library_version.cpp)
target_include_directories(zentrova_shared PRIVATE ${PROJECT_SOURCE_DIR}/src)
set_target_properties(zentrova_shared PROPERTIES EXPORT_NAME zentrova)
# The logger's header formats with {fmt}; the media libraries' headers come
# with the events' types (their libraries are loaded at run time).
target_link_libraries(zentrova_shared PUBLIC fmt::fmt)
target_include_directories(zentrova_shared SYSTEM INTERFACE ${FFMPEG_HEADERS_INCLUDE_DIRS})
zentrova_install_headers(${ZENTROVA_PUBLIC_HEADERS})

install(EXPORT ZentrovaTargets NAMESPACE Zentrova:: DESTINATION ${ZENTROVA_CMAKE_INSTALL_DIR} COMPONENT dev)
if(TARGET zentrova_qt)
  # Built from the glue's own sources, on top of libzentrova.
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  zentrova_shared_library(zentrova_qt_shared zentrova_qt ZentrovaQtTargets)
  get_target_property(qt_sources zentrova_qt SOURCES)
  list(TRANSFORM qt_sources PREPEND ${PROJECT_SOURCE_DIR}/src/qt/)
  target_sources(zentrova_qt_shared PRIVATE ${qt_sources})
  set_target_properties(zentrova_qt_shared PROPERTIES EXPORT_NAME qt AUTOMOC ON)
  target_include_directories(zentrova_qt_shared PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(zentrova_qt_shared PUBLIC zentrova_shared Qt6::Widgets)
  zentrova_install_headers(${ZENTROVA_QT_PUBLIC_HEADERS})
  install(EXPORT ZentrovaQtTargets NAMESPACE Zentrova:: DESTINATION ${ZENTROVA_CMAKE_INSTALL_DIR} COMPONENT dev)
endif()

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ZentrovaConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ZentrovaConfig.cmake INSTALL_DESTINATION ${ZENTROVA_CMAKE_INSTALL_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZentrovaConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZentrovaConfig.cmake ${PROJECT_BINARY_DIR}/ZentrovaConfigVersion.cmake
  DESTINATION ${ZENTROVA_CMAKE_INSTALL_DIR} COMPONENT dev)

# pkg-config: zentrova.pc, relocatable (paths from the file's own place).
file(RELATIVE_PATH ZENTROVA_PC_PREFIX_FROM_PCFILEDIR /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/zentrova.pc.in ${PROJECT_BINARY_DIR}/zentrova.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zentrova.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

include(${PROJECT_SOURCE_DIR}/cmake/api_reference.cmake)
