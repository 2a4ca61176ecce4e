// The small text routines of the logs: the run time and date stamp, CR LF runs, and the
// control-byte guard for names.
#include "common/text.h"
#include "logs/run_logs.h"
#include "platform/clock.h"

namespace qlm {
namespace {

// Two decimal digits with a leading zero (callers pass 0..99).
std::string TwoDigits(int value) {
  std::string text = IntToText(value);
  if (text.size() < 2) text.insert(0, 1, '0');
  return text;
}

}  // namespace

// Reads the clock once. Any style other than 0 or 1 gives "" (nothing sensible to print).
std::string FormatLocalTime(const Clock& clock, int style) {
  const LocalTime now = clock.Now();
  std::string text;
  if (style == 0) {
    text = IntToText(now.year) + TwoDigits(now.month) + TwoDigits(now.day);
  } else if (style == 1) {
    // 12-hour clock: hour 0 reads 12 (AM), 12 stays 12 (PM), 13..23 read 1..11 (PM).
    int hour = now.hour % 12;
    if (hour == 0) hour = 12;
    text = " at ";
    text += IntToText(hour);
    text += ':';
    text += TwoDigits(now.minute);
    text += ':';
    text += TwoDigits(now.second);
    text += now.hour < 12 ? " AM" : " PM";
    text += " on ";
    text += IntToText(now.day);
    text += '/';
    text += IntToText(now.month);
    text += '/';
    text += IntToText(now.year);
    text += '.';
  }
  return text;
}

// A negative count appends nothing, like 0.
void AppendLineBreaks(std::string& text, int count) {
  for (int i = 0; i < count; ++i)
    text += "\r\n";
}

// NUL is replaced as well: a log is a text file, and a zero byte would cut it short for
// every viewer that reads it as a C string.
std::string LogSafe(std::string_view text) {
  return SafeForDisplay(text);
}

}  // namespace qlm
