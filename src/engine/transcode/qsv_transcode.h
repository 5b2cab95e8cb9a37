// Whether an encoded stream can run as a one-to-one QSV (Intel Quick Sync)
// transcode: hardware decoding straight into hardware encoding.
//
// The engine asks for every encoded stream whose source requested
// "-hwaccel qsv"; anything that is not a plain one-to-one path (a filter, a
// shared source, an encoder or decoder without the QSV picture format) or a
// machine without the QSV runtime falls back to software decoding and
// encoding with a log line saying why.
//
// Only a stream the decision accepted gets the device, before its decoder
// opens; its hardware frames then reach its filter graph with their pool.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "engine/open/input_stream.h"
#include "engine/open/output_stream.h"

namespace zentrova {

/// The answer, in the order the conditions are checked.
enum class TQsvTranscode {
  NotRequested,    ///< the source did not ask for QSV
  RuntimeMissing,  ///< the QSV runtime library is not loaded
  NotOneToOne,     ///< filters, a shared source or a codec without QSV pictures
  Possible,        ///< set up the QSV device
};

/// What the decision looks at.
struct TQsvCandidate {
  THWAccelID requested = THWAccelID::HWACCEL_NONE;  ///< the source stream's -hwaccel
  bool runtime_loaded = false;                      ///< the QSV runtime's entry is bound
  bool encoder_takes_qsv = false;                   ///< the encoder lists the QSV pixel format
  std::string_view filter_description;              ///< the stream's simple filter graph text
  bool has_source = false;                          ///< the stream is fed by an input stream
  bool source_feeds_graph = false;                  ///< that input stream feeds a filter graph
  bool decoder_gives_qsv = false;                   ///< its decoder lists the QSV pixel format
  bool source_shared = false;                       ///< another output stream has the same source
  bool graph_converts = false;  ///< the graph adds a scaler, software format, rotation or deinterlacing
};

TQsvTranscode DecideQsvTranscode(const TQsvCandidate& c);

/// What the decision looks at for the encoded stream `ost` fed by `ist`,
/// among all output streams of the task (`outputs`, which holds `ost`);
/// `deinterlace` is the task's -deinterlace. The view of the filter
/// description lives as long as `ost`.
TQsvCandidate QsvCandidateOf(const TOutputStream& ost, const TInputStream& ist,
                             const std::vector<std::unique_ptr<TOutputStream>>& outputs, bool deinterlace);

/// Keeps a new reference to the frames pool of the hardware `frame` on
/// `ist` (its buffer source is built with it). True when the pool differs
/// from the one kept; false for a software frame or the same pool. Throws
/// FFmpegException when the reference cannot be made. Worker thread.
bool TakeFramesPool(TInputStream& ist, const AVFrame& frame);

/// True when `codec` lists `format` among its pixel formats, or (for a
/// decoder) among its hardware configurations.
bool CodecListsPixelFormat(const AVCodec* codec, AVPixelFormat format);

}  // namespace zentrova
