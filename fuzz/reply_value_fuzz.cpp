// The value extraction: equal to the reference, never starting or ending with a byte of 32 or
// less, a part of the reply.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gaintool::fuzz::CheckExtraction(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
