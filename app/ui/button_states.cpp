#include "app/ui/button_states.h"

namespace zentrova::ui {

TButtonStates ButtonStates(TConverterState state, const TButtonStates& before) {
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
      return {false, false, false, false, false, before.Pause, before.Resume, true};
    case TConverterState::Ended:
      return {false, false, true, false, false, false, false, std::nullopt};
  }
  return {};
}

}  // namespace zentrova::ui
