// Local date and time, behind an interface so that tests can fix the clock.
#pragma once

namespace qlm {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

// The system's local time.
class SystemClock final : public Clock {
 public:
  LocalTime Now() const override;
};

// Always the same moment; for tests.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(LocalTime time) : time_(time) {}
  LocalTime Now() const override { return time_; }
  void Set(LocalTime time) { time_ = time; }

 private:
  LocalTime time_;
};

}  // namespace qlm
