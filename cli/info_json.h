// What `zentrova-cli --info --json` prints for each file: one object a
// script reads instead of the information text.
//
//   {"file":…,"container":"mov,mp4,m4a,3gp,3g2,mj2","container_long":…,"duration_us":2000000,
//    "start_us":0,"size":123456,"bit_rate":493824,
//    "streams":[{"index":0,"kind":"video","codec":"h264","codec_long":…,"profile":"High",
//                "bit_rate":…,"duration_us":…,"language":"eng","title":…,"default":true,
//                "forced":false,"attached_picture":false,"tags":{…},
//                "pixel_format":"yuv420p","width":320,"height":240,"sample_aspect":"1:1",
//                "display_aspect":"4:3","rotation":90,"frame_rate":25.0,"frame_rate_ratio":"25/1"},
//               {"index":1,"kind":"audio",…,"sample_rate":48000,"channels":2,
//                "channel_layout":"stereo","sample_format":"fltp"},
//               {"index":2,"kind":"subtitle",…,"subtitle_type":"text"}],
//    "chapters":[{"start_us":0,"end_us":1000000,"title":"Chapter 1"}],
//    "tags":{"title":…}}
//   {"file":…,"error":"…"}                                 a file that could not be read
//
// Times are exact microseconds (the library's own, not rounded for show).
// A number the file does not state is null; a text it does not state is "".
// "rotation" is the clockwise turn in whole degrees, 0..359, that a player
// applies to show the picture upright. "frame_rate" is the average rate,
// else the stream's base rate. "kind" is video, audio, subtitle, data,
// attachment or unknown; the fields after "tags" belong to the kind.
//
// The keys keep the order shown.
//
// Main thread (the decoder's); the media libraries must be loaded.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace zentrova {
class TCustomDecoder;
}

namespace zentrova::cli {

/// The object of the file `decoder` has loaded (named `file` as given).
nlohmann::ordered_json FileInfoJson(TCustomDecoder& decoder, const std::string& file);

/// The object of a file that could not be read.
nlohmann::ordered_json FileErrorJson(const std::string& file, const std::string& message);

/// The object on one line, without a line break; bytes that are not UTF-8
/// (in a file name, a tag) are replaced.
std::string InfoLine(const nlohmann::ordered_json& object);

}  // namespace zentrova::cli
