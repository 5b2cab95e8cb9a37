#include "app/ui/button_states.h"

namespace zentrova::ui {

bool RunActive(TConverterState state) {
  return state == TConverterState::Running || state == TConverterState::Paused ||
         state == TConverterState::Resumed || state == TConverterState::Stopping;
}

TButtonStates ButtonStates(TConverterState state) {
  //                  Add    Remove Clear  Start  Stop   Pause  Resume TaskCount
  switch (state) {
    case TConverterState::Empty:
      return {true, false, false, false, false, false, false, true};
    case TConverterState::Ready:
      return {true, true, true, true, false, false, false, std::nullopt};
    case TConverterState::Running:
    case TConverterState::Resumed:
      return {false, false, false, false, true, true, false, false};
    case TConverterState::Paused:
      return {false, false, false, false, true, false, true, false};
    case TConverterState::Stopping:
      // Stop returns at once and the tasks finalise meanwhile: nothing is
      // left to press until the run's final event.
      return {false, false, false, false, false, false, false, true};
    case TConverterState::Ended:
      return {false, false, true, false, false, false, false, std::nullopt};
  }
  return {};
}

}  // namespace zentrova::ui
