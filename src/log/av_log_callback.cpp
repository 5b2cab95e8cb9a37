#include "log/av_log_callback.h"

namespace zentrova {

void InstallAVLogCallback() {}

}  // namespace zentrova
