// The options dialog's source information: what the source holds, each
// line labelled for what it shows — the video's codec, size, bit rate and
// frame rate, the sound's codec, sample rate, channels and bit rate, and the
// duration — read from the probe's facts and its stream lines (never a raw
// time base, never a sound's channels under a picture label).
//
// Pure functions; GUI thread (the labels are translated).
#pragma once

#include <QStringList>

#include "convert/source_state.h"

namespace zentrova::ui {

/// The most lines a summary has: four of the video, four of the sound, the duration.
inline constexpr int kSourceSummaryMostLines = 9;

/// The lines for `probe`. `video_bit_rate` is the bit-rate edit's text
/// after the source was taken over (kb/s; used when the video stream line
/// states none, e.g. Matroska).
QStringList SourceSummaryLines(const app::TSourceProbe& probe, const QString& video_bit_rate);

}  // namespace zentrova::ui
