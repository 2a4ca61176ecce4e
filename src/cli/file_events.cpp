#include "cli/file_events.h"

#include "platform/errors.h"

namespace qlm::cli {

void FileEvents::Add(const JourneyStep& step) {
  // One event for every file, its strings' buffers reused.
  FileEvent& event = event_;
  event.outcome = FileEvent::Outcome::Renamed;
  event.old_name.assign(step.from);
  event.new_name.clear();
  event.reason.clear();
  event.moved = false;
  if (step.stage != JourneyStep::Stage::Final && step.to.empty()) {
    // Not moved at all: a link, or a first move that failed.
    event.outcome = FileEvent::Outcome::Kept;
    event.new_name.assign(step.from);
    event.reason.assign(step.kept_reason.empty() ? ErrorText(step.error) : step.kept_reason);
    sink_(event);
    return;
  }
  switch (step.stage) {
    case JourneyStep::Stage::Scratch:
      origins_.Add(step.to, step.from, step.kept_reason);
      return;
    case JourneyStep::Stage::SingleFile:
      event.new_name.assign(step.to);
      event.reason.assign(step.kept_reason);
      break;
    case JourneyStep::Stage::Final: {
      const std::optional<JourneyOrigins::Origin> origin = origins_.Find(step.from);
      if (origin) {
        event.old_name.assign(origin->name);
        event.reason.assign(origin->kept_reason);
      } else {
        event.outcome = FileEvent::Outcome::Recovered;
      }
      if (step.to.empty()) {  // it stays under its scratch name
        event.outcome = FileEvent::Outcome::Failed;
        event.new_name.assign(step.from);
        event.reason.assign(ErrorText(step.error));
        event.moved = true;
        sink_(event);
        return;
      }
      event.new_name.assign(step.to);
      break;
    }
  }
  event.moved = true;
  if (event.outcome == FileEvent::Outcome::Renamed && !event.reason.empty()) {
    event.outcome = FileEvent::Outcome::Kept;
  }
  sink_(event);
}

}  // namespace qlm::cli
