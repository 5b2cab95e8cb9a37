#include "engine/options/hwaccel_methods.h"

namespace zentrova {

namespace {
constexpr THWAccel kMethods[] = {
    {"qsv", THWAccelID::HWACCEL_QSV, AV_PIX_FMT_QSV},
};
}  // namespace

std::span<const THWAccel> HwaccelMethods() {
  return kMethods;
}

const THWAccel* FindHwaccel(THWAccelID id) {
  for (const THWAccel& method : kMethods) {
    if (method.id == id) return &method;
  }
  return nullptr;
}

const THWAccel* FindHwaccelByName(std::string_view name) {
  for (const THWAccel& method : kMethods) {
    if (method.name == name) return &method;
  }
  return nullptr;
}

}  // namespace zentrova
