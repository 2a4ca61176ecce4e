#include "shell/app_state.h"

#include "platform/path.h"
#include "shell/command_line.h"

namespace qlm {

void StartUp(FileSystem& fs, int argc, const char* const* argv, const std::string& executable,
             const EnvironmentLookup& environment, AppState& state) {
  state.mode = ReadCommandLine(fs, argc, argv, state.TargetPath);
  std::string directory;
  // Without one, nothing is written: never the working directory, often the one processed.
  if (FindProgramDirectory(fs, "", executable, environment, directory) != FsError::Ok) {
    directory.clear();
  }
  if (!directory.empty()) directory = path::Key(directory);
  state.settings = LoadSettings(fs, directory);
  state.ProgramDirectory = directory.empty() ? directory : path::WithSeparator(directory);
}

}  // namespace qlm
