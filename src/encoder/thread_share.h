// How many encoder threads a task gets when several run side by side.
//
// An encoder left to choose takes every processor, so three tasks on two
// processors would run six encoder threads (more, with the codec's own
// look-ahead threads) that only take turns. A task gets its share of the
// processors instead, so that the tasks running at once use about as many
// threads as there are processors, at least one each; a task started when
// fewer run gets more. Pure functions; any thread.
#pragma once

namespace zentrova {

/// The encoder threads of one of `tasks_at_once` tasks on `processors`
/// processors: all of them for a lone task, else the nearest whole share,
/// at least 1.
int EncoderThreadsPerTask(int processors, int tasks_at_once);

/// The machine's logical processors (at least 1).
int MachineProcessors();

}  // namespace zentrova
