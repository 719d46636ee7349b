// Feeds arbitrary text to the date and time parser the captions and the
// log rely on: it must give a date (the fallback for nonsense) and never
// fail otherwise.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "app/datetime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const lumora::DateTime today = 45000.0;
  for (const lumora::DateTime value :
       {lumora::ParseDateTimeText(text, today), lumora::ParseDateText(text, today), lumora::ParseTimeText(text)}) {
    if (!std::isfinite(value)) __builtin_trap();
    lumora::DecodeDate(value);
    lumora::DecodeTime(value);
  }
  return 0;
}
