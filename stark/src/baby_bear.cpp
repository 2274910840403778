#include "stark/baby_bear.h"

#include <cstdio>

namespace kovra::stark {

std::string BabyBearElem::fmt() const {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08x", to_u32());
  return buf;
}

}  // namespace kovra::stark
