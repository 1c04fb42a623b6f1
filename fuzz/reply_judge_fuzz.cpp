// The reply judge agrees with a line-by-line reference on any reply.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gaintool::fuzz::CheckJudge(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
