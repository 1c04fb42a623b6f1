// An exchange's reply handling: a receive buffer filled with arbitrary bytes, its text taken as
// the operations take it, then judged and its value extracted. The text ends at the first NUL and
// never holds more than 255 bytes, even when the buffer holds no NUL at all.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "reference.h"
#include "serial/serial_port.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using gaintool::serial::ReplyBuffer;
  ReplyBuffer buffer;
  const std::size_t filled = std::min(size, buffer.bytes.size());
  std::memcpy(buffer.bytes.data(), data, filled);

  const std::string text = buffer.Text();
  const std::string_view held(buffer.bytes.data(), 255);
  const std::size_t nul = held.find('\0');
  FUZZ_CHECK(text.size() <= 255);
  FUZZ_CHECK(text == held.substr(0, nul));

  gaintool::fuzz::CheckJudge(text);
  gaintool::fuzz::CheckExtraction(text);
  return 0;
}
