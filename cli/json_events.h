// The --json output: one object per line on stdout for scripts and other
// programs.
//
//   {"event":"added","index":0,"file":…,"output":…}           a file became a task
//   {"event":"not_added","index":1,"file":…,"message":…}      a file could not be added
//   {"event":"started","index":0,"file":…}                    a task began to run
//   {"event":"progress","index":0,"file":…,"percent":45.2,"fps":25,"frame":113,
//    "size":123456,"time_us":4520000,"total_us":10000000,"elapsed_ms":1800,"eta_ms":2200}
//   {"event":"end","index":0,"file":…,"output":…,"result":"converted","message":"",
//    "size":…,"elapsed_ms":…}
//   {"event":"summary","exit_code":1,"converted":4,"stopped":0,"failed":0,"not_added":1,
//    "files":[{"file":…,"output":…,"result":…,"message":…,"duration_us":…,"size":…,"elapsed_ms":…}]}
//
// "index" is the file's position in the batch (0-based, command-line order).
// "total_us", "percent" and "eta_ms" are null while the total duration is not
// known (a pipe or live source); "time_us" still counts.
// File names that are not valid UTF-8 have their bad bytes replaced.
//
// Pure functions of the batch; any thread.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/batch_state.h"

namespace zentrova::cli {

nlohmann::json AddedEvent(const TBatchState& batch, int row);
nlohmann::json StartedEvent(const TBatchState& batch, int row);
nlohmann::json ProgressEvent(const TBatchState& batch, int row, TClock::time_point now);
nlohmann::json EndEvent(const TBatchState& batch, int row, TClock::time_point now);
nlohmann::json SummaryEvent(const TBatchState& batch, TClock::time_point now);

/// The object on one line, without a line break.
std::string JsonLine(const nlohmann::json& object);

}  // namespace zentrova::cli
