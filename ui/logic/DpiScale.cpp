#include "ui/logic/DpiScale.h"

#include <cstdint>

namespace uilogic {

int ScaleForDpi(int value, int dpi) {
  if (dpi <= 0) return value;
  // 64 bits: no product of two ints overflows.
  const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
  const std::int64_t half = kDesignDpi / 2;
  const std::int64_t rounded =
      product >= 0 ? (product + half) / kDesignDpi : -((-product + half) / kDesignDpi);
  return static_cast<int>(rounded);
}

}  // namespace uilogic
