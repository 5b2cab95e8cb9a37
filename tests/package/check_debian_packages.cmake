# Builds the Debian packages of this build tree with CPack, checks their
# names, file lists and Depends with dpkg-deb, then unpacks the command
# line's packages into a scratch root (dpkg -x) and runs zentrova-cli
# --version and --demo from there.
#
# -D: BUILD_DIR (a built tree), WORK (scratch folder), VERSION (x.y.z).
include(${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake)

# expect(<text> <what> MATCHES|NOMATCH <regex>...)
function(expect text what mode)
  foreach(regex IN LISTS ARGN)
    if(mode STREQUAL "MATCHES" AND NOT text MATCHES "${regex}")
      message(FATAL_ERROR "${what}: nothing matches \"${regex}\" in:\n${text}")
    elseif(mode STREQUAL "NOMATCH" AND text MATCHES "${regex}")
      message(FATAL_ERROR "${what}: \"${regex}\" should not be in:\n${text}")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE ${WORK})
run(cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK}/packages)

string(REGEX MATCH "^[0-9]+" major ${VERSION})
set(media [[libavcodec59, libavformat59, libavfilter8, libavdevice59, libswscale6, libswresample4, libavutil57]])
set(media_headers libavcodec-dev libavformat-dev libavfilter-dev libavdevice-dev libswscale-dev libswresample-dev
    libavutil-dev libfmt-dev)
foreach(package libzentrova${major} libzentrova-dev zentrova-cli zentrova)
  file(GLOB deb ${WORK}/packages/${package}_${VERSION}-1_*.deb)
  if(NOT deb)
    file(GLOB made ${WORK}/packages/*.deb)
    message(FATAL_ERROR "No package ${package}_${VERSION}-1_<arch>.deb; made: ${made}")
  endif()
  set(deb_${package} ${deb})
  run(dpkg-deb -c ${deb})
  set(files_${package} "${output}")
  run(dpkg-deb -f ${deb} Depends)
  set(depends_${package} "${output}")
  run(dpkg-deb -f ${deb} Recommends)
  set(recommends_${package} "${output}")
endforeach()

set(lib libzentrova${major})
expect("${files_${lib}}" "${lib} files" MATCHES "/usr/lib/[^ ]*libzentrova\\.so\\.${VERSION}\n"
       "/usr/lib/[^ ]*libzentrova\\.so\\.${major} -> " "/usr/lib/[^ ]*libzentrova_qt\\.so\\.${VERSION}\n")
expect("${files_${lib}}" "${lib} files" NOMATCH "/usr/bin/" "/usr/include/" "libzentrova\\.so -> ")
expect("${depends_${lib}}" "${lib} Depends" MATCHES "${media}" "libfmt9" "libqt6widgets6")
expect("${recommends_${lib}}" "${lib} Recommends" MATCHES "libmfx1")

expect("${files_libzentrova-dev}" "libzentrova-dev files" MATCHES
       "/usr/include/zentrova/encoder/derodorir\\.h" "/usr/include/zentrova/decoder/ridarivir\\.h"
       "/usr/include/zentrova/log/logger\\.h" "/usr/include/zentrova/log/main_thread\\.h"
       "/usr/include/zentrova/qt/main_thread_hook\\.h" "/usr/lib/[^ ]*libzentrova\\.so -> "
       "/usr/lib/[^ ]*cmake/Zentrova/ZentrovaConfig\\.cmake" "/usr/lib/[^ ]*pkgconfig/zentrova\\.pc"
       "/usr/share/doc/zentrova/api/index\\.html" "/usr/share/doc/zentrova/examples/convert_files\\.cpp")
# The engine's and the binding's own headers stay inside the library.
expect("${files_libzentrova-dev}" "libzentrova-dev files" NOMATCH "media/ff\\.h" "encoder_task\\.h"
       "custom_ffmpeg" "\\.so\\.${major}\\.[0-9]" "\\.so\\.${major} -> ")
expect("${depends_libzentrova-dev}" "libzentrova-dev Depends" MATCHES "${lib} \\(= ${VERSION}-1\\)" ${media_headers})

expect("${files_zentrova-cli}" "zentrova-cli files" MATCHES "/usr/bin/zentrova-cli\n"
       "/usr/share/man/man1/zentrova-cli\\.1" "/usr/share/bash-completion/completions/zentrova-cli\n")
expect("${files_zentrova-cli}" "zentrova-cli files" NOMATCH "/usr/bin/zentrova\n")
expect("${depends_zentrova-cli}" "zentrova-cli Depends" MATCHES "${media}")
expect("${depends_zentrova-cli}" "zentrova-cli Depends" NOMATCH "qt6" "libqt")
expect("${recommends_zentrova-cli}" "zentrova-cli Recommends" MATCHES "libmfx1")

expect("${files_zentrova}" "zentrova files" MATCHES "/usr/bin/zentrova\n"
       "/usr/share/applications/zentrova\\.desktop" "/usr/share/icons/hicolor/scalable/apps/zentrova\\.svg"
       "/usr/share/doc/zentrova/manual\\.html" "/usr/share/man/man1/zentrova\\.1")
expect("${files_zentrova}" "zentrova files" NOMATCH "/usr/bin/zentrova-cli")
expect("${depends_zentrova}" "zentrova Depends" MATCHES "${media}, qt6-qpa-plugins" "libqt6widgets6")
expect("${recommends_zentrova}" "zentrova Recommends" MATCHES "libmfx1")

# The command line runs from the unpacked files alone.
set(root ${WORK}/root)
run(dpkg -x ${deb_zentrova-cli} ${root})
run(${root}/usr/bin/zentrova-cli --version)
expect("${output}" "zentrova-cli --version" MATCHES "${VERSION}")
file(MAKE_DIRECTORY ${WORK}/demo)
execute_process(COMMAND ${root}/usr/bin/zentrova-cli --demo WORKING_DIRECTORY ${WORK}/demo
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "zentrova-cli --demo from the package failed (${result}):\n${output}")
endif()
