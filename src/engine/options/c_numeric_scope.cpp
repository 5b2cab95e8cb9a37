#include "engine/options/c_numeric_scope.h"

namespace zentrova {

TCNumericScope::TCNumericScope() {
  previous_ = uselocale(nullptr);
  locale_t copy = duplocale(previous_);
  if (!copy) return;
  numeric_c_ = newlocale(LC_NUMERIC_MASK, "C", copy);
  if (!numeric_c_) {
    freelocale(copy);
    return;
  }
  uselocale(numeric_c_);
}

TCNumericScope::~TCNumericScope() {
  if (!numeric_c_) return;
  uselocale(previous_);
  freelocale(numeric_c_);
}

}  // namespace zentrova
