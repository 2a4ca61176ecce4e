// The local time on Windows.
#include "platform/clock.h"
#include "platform/win32/windows_api.h"

namespace qlm {

LocalTime SystemClock::Now() const {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace qlm
