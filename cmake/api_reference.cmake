# The API reference of the public headers, from their /// comments, when
# Doxygen is there (scripts/setup.sh installs it): target `api-reference`,
# installed with the documentation (dev component).
find_package(Doxygen QUIET)
if(NOT DOXYGEN_FOUND)
  message(STATUS "Doxygen not found: no API reference")
  return()
endif()

set(headers ${ZENTROVA_PUBLIC_HEADERS} ${ZENTROVA_QT_PUBLIC_HEADERS})
list(TRANSFORM headers PREPEND ${PROJECT_SOURCE_DIR}/src/)
list(JOIN headers " " ZENTROVA_API_INPUT)
set(ZENTROVA_API_OUTPUT ${PROJECT_BINARY_DIR}/api-reference)
configure_file(${PROJECT_SOURCE_DIR}/cmake/Doxyfile.in ${PROJECT_BINARY_DIR}/Doxyfile @ONLY)
add_custom_command(OUTPUT ${ZENTROVA_API_OUTPUT}/html/index.html
  COMMAND ${DOXYGEN_EXECUTABLE} ${PROJECT_BINARY_DIR}/Doxyfile
  DEPENDS ${PROJECT_BINARY_DIR}/Doxyfile ${PROJECT_SOURCE_DIR}/cmake/Doxyfile.in
          ${headers}
  COMMENT "Writing the API reference"
  VERBATIM)
add_custom_target(api-reference ALL DEPENDS ${ZENTROVA_API_OUTPUT}/html/index.html)
install(DIRECTORY ${ZENTROVA_API_OUTPUT}/html/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zentrova/api COMPONENT dev)
