# zentrova-cli as the worker of GNU parallel: six generated files of one name
# (clip.mp4, clip.avi, clip.mkv in two folders) converted by `parallel -j 3`
# with --no-overwrite, one zentrova-cli per file, into one output folder:
# names held by running jobs and outputs of ended jobs both move the next job
# on to a free name. Each
# job's `end` line says "converted", its `summary` line exit code 0, and the
# folder holds six distinct outputs — the ones the end lines name — each
# read back by `zentrova-cli --info --json` (the decoder component).
#
# -D: CLI, MAKE_MEDIA (the test-media generator), PARALLEL, WORK.
include(${CMAKE_CURRENT_LIST_DIR}/../run_command.cmake)

file(REMOVE_RECURSE ${WORK})
set(inputs "")
foreach(folder one two)
  foreach(format mp4 avi mkv)
    set(input ${WORK}/in/${folder}/clip.${format})
    file(MAKE_DIRECTORY ${WORK}/in/${folder})
    run(${MAKE_MEDIA} ${input} ${format} 1)
    list(APPEND inputs ${input})
  endforeach()
endforeach()

file(MAKE_DIRECTORY ${WORK}/out)
run(${PARALLEL} -j 3 ${CLI} --json --no-overwrite --out ${WORK}/out {} ::: ${inputs})

# One end line per file and one summary per job.
string(REGEX MATCHALL "[^\n]+" lines "${output}")
set(named_outputs "")
set(summaries 0)
foreach(line IN LISTS lines)
  string(JSON event GET "${line}" event)
  if(event STREQUAL "end")
    string(JSON result GET "${line}" result)
    string(JSON file GET "${line}" file)
    if(NOT result STREQUAL "converted")
      message(FATAL_ERROR "${file} ended ${result}:\n${line}")
    endif()
    string(JSON named GET "${line}" output)
    list(APPEND named_outputs ${named})
  elseif(event STREQUAL "summary")
    string(JSON exit_code GET "${line}" exit_code)
    if(NOT exit_code EQUAL 0)
      message(FATAL_ERROR "summary with exit code ${exit_code}:\n${line}")
    endif()
    math(EXPR summaries "${summaries} + 1")
  endif()
endforeach()
list(LENGTH named_outputs end_count)
list(REMOVE_DUPLICATES named_outputs)
list(LENGTH named_outputs distinct_count)
if(NOT end_count EQUAL 6 OR NOT distinct_count EQUAL 6 OR NOT summaries EQUAL 6)
  message(FATAL_ERROR "${end_count} end lines naming ${distinct_count} outputs, ${summaries} summaries "
                      "(6 each expected):\n${output}")
endif()

# The folder holds exactly those six, finished (no .part file left).
file(GLOB written ${WORK}/out/*)
list(SORT written)
list(SORT named_outputs)
if(NOT written STREQUAL named_outputs)
  message(FATAL_ERROR "The output folder holds\n  ${written}\nthe end lines name\n  ${named_outputs}")
endif()

# Each output reads back: video and audio, a duration of about a second.
run(${CLI} --info --json ${written})
string(REGEX MATCHALL "[^\n]+" probes "${output}")
list(LENGTH probes probe_count)
if(NOT probe_count EQUAL 6)
  message(FATAL_ERROR "--info --json gave ${probe_count} lines for 6 outputs:\n${output}")
endif()
foreach(probe IN LISTS probes)
  string(JSON error ERROR_VARIABLE no_error GET "${probe}" error)
  string(JSON duration_us GET "${probe}" duration_us)
  string(JSON stream_count LENGTH "${probe}" streams)
  if(no_error STREQUAL "NOTFOUND" OR duration_us LESS 500000 OR stream_count LESS 2)
    message(FATAL_ERROR "Output does not read back as a converted clip:\n${probe}")
  endif()
  string(JSON first_kind GET "${probe}" streams 0 kind)
  if(NOT first_kind STREQUAL "video")
    message(FATAL_ERROR "No video first in:\n${probe}")
  endif()
endforeach()
