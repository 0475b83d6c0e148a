#include "update/patch/PatchFormat.h"

namespace patch {

uint32_t FilterBranches(uint8_t* data, uint32_t size, uint32_t pos, bool toAbsolute) {
  uint32_t i = 0;
  while (size - i >= 5) {
    uint8_t* op = data + i + 1;
    if ((data[i] & 0xFE) != 0xE8) {
      ++i;
      continue;
    }
    if (op[3] == 0 || op[3] == 0xFF) {
      const uint32_t here = pos + i + 5;
      uint32_t v = op[0] | op[1] << 8 | op[2] << 16 | uint32_t(op[3]) << 24;
      v = (toAbsolute ? v + here : v - here) & 0x1FFFFFF;
      if (v & 0x1000000) v |= 0xFE000000;
      for (int k = 0; k < 4; ++k) op[k] = uint8_t(v >> 8 * k);
    }
    i += 5;
  }
  return i;
}

}  // namespace patch
