# Installs the component library (components libs and dev) into a scratch
# prefix, builds tests/install/consumer (the examples and every installed
# header) against it as an outside project, converts a generated clip with
# the encoder example and reads the result back with the decoder example.
#
# -D: BUILD_DIR (this build), SOURCE_DIR, WORK (scratch folder), MAKE_MEDIA
# (the test-media generator), CXX_FLAGS (the build's sanitizer flags).
include(${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake)

file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
foreach(component libs dev)
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component ${component})
endforeach()

run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer -B ${WORK}/build -G Ninja
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_PREFIX_PATH=${prefix}
    -DZENTROVA_EXAMPLES_DIR=${SOURCE_DIR}/examples
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${CXX_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK}/build -j 2)

# The examples load the installed library, not the build tree's.
file(GLOB installed_library ${prefix}/lib*/libzentrova.so.*.*.* ${prefix}/lib*/*/libzentrova.so.*.*.*)
if(NOT installed_library)
  message(FATAL_ERROR "libzentrova.so.<version> not installed under ${prefix}")
endif()

run(${MAKE_MEDIA} ${WORK}/clip.mp4 mp4 1)
run(${WORK}/build/examples/convert_files ${WORK}/clip.mp4)
foreach(line "task 0: .*clip.mp4 -> .*clip.mp4.converted.mp4" "progress task 0: frame [0-9]+"
             "terminate task 0: converted" "end of run")
  if(NOT output MATCHES "${line}")
    message(FATAL_ERROR "convert_files printed no \"${line}\":\n${output}")
  endif()
endforeach()

file(MAKE_DIRECTORY ${WORK}/frames)
run(${WORK}/build/examples/frames_to_bitmaps ${WORK}/clip.mp4.converted.mp4 ${WORK}/frames 3)
if(NOT output MATCHES "video: h264[^\n]* [0-9]+x[0-9]+")
  message(FATAL_ERROR "frames_to_bitmaps did not find the H.264 video:\n${output}")
endif()
file(GLOB frames ${WORK}/frames/frame_*.bmp)
list(LENGTH frames frame_count)
if(NOT frame_count EQUAL 3)
  message(FATAL_ERROR "frames_to_bitmaps wrote ${frame_count} bitmaps, not 3:\n${output}")
endif()
foreach(frame IN LISTS frames)
  file(SIZE ${frame} bytes)
  file(READ ${frame} magic LIMIT 2 HEX)
  if(NOT magic STREQUAL "424d" OR bytes LESS 1000)  # "BM"
    message(FATAL_ERROR "${frame}: not a bitmap (${bytes} bytes)")
  endif()
endforeach()
