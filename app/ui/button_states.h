// The main window's command buttons by state of the conversion list: which
// buttons are enabled, and whether the task-count group is.
//
// Pure data; any thread.
#pragma once

#include <optional>

namespace zentrova::ui {

/// Where the conversion list stands.
enum class TConverterState {
  Empty,     ///< no rows: start-up, Clear, the last row removed
  Ready,     ///< rows, not started
  Running,   ///< Start
  Paused,    ///< Pause
  Resumed,   ///< Resume
  Stopping,  ///< Stop, until the run has ended
  Ended,     ///< the run's final event; only Clear leads on
};

/// A run has started and not yet ended (running, paused or stopping).
bool RunActive(TConverterState state);

struct TButtonStates {
  bool Add = false;
  bool Remove = false;
  bool Clear = false;
  bool Start = false;
  bool Stop = false;
  bool Pause = false;
  bool Resume = false;
  /// The task-count group; nothing when it keeps its state.
  std::optional<bool> TaskCount;
  bool operator==(const TButtonStates&) const = default;
};

/// The buttons of `state`. Stopping disables every command button (the
/// tasks are finalising). The task-count group is enabled again on the way to Empty (so
/// that Clear after an ended run makes it editable) and by Stop.
TButtonStates ButtonStates(TConverterState state);

}  // namespace zentrova::ui
