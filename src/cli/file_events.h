// One event per file of a run, as quillomat-cli reports it: the name a file had, the name it
// ended with, and why it kept its name. A directory run reports each file twice (its scratch
// name in the first stage, its final name in the second); FileEvents joins the two.
#pragma once

#include <functional>
#include <string>

#include "cli/journey_origins.h"
#include "engine/run_view.h"

namespace qlm::cli {

struct FileEvent {
  enum class Outcome {
    Renamed,    // it got a name after its title (or one the user typed)
    Kept,       // it kept its name (its extension or a number may have changed): see reason
    Failed,     // its last move failed: it stays under new_name, see reason
    Recovered,  // a scratch file an interrupted run left, given back its name
  };
  Outcome outcome = Outcome::Renamed;
  std::string old_name;  // before the run (for Recovered, the scratch name it was found under)
  std::string new_name;  // after the run; old_name when it was not moved at all
  std::string reason;    // why it kept its name, or why the move failed; "" otherwise
  bool moved = false;    // it went through a move (even one that brought back its name)
};

class FileEvents {
 public:
  using Sink = std::function<void(const FileEvent&)>;
  explicit FileEvents(Sink sink) : sink_(std::move(sink)) {}

  // Takes one step of a file's way; hands the sink each file's event once it is complete.
  void Add(const JourneyStep& step);
  // Forgets the files of the run before: the next run (another directory) starts afresh.
  void Clear() { origins_ = JourneyOrigins(); }

 private:
  Sink sink_;
  // Scratch name -> the file's name before the run and why it kept it, for the second stage.
  JourneyOrigins origins_;
  FileEvent event_;  // the event being handed over
};

}  // namespace qlm::cli
