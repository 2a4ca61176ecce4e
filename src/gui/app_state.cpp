#include "gui/app_state.h"

#include "shell/command_line.h"

namespace qlm::gui {

void StartUp(FileSystem& fs, int argc, const char* const* argv, const std::string& executable,
             const EnvironmentLookup& environment, AppState& state) {
  state.mode = ReadCommandLine(fs, argc, argv, state.TargetPath);
  std::string directory;
  // Without one, nothing is written: never the working directory, often the one processed.
  if (FindProgramDirectory(fs, "", executable, environment, directory) != FsError::Ok) {
    directory.clear();
  }
  while (directory.size() > 1 && directory.back() == '/')
    directory.pop_back();
  state.settings = LoadSettings(fs, directory);
  state.ProgramDirectory = directory.empty() || directory == "/" ? directory : directory + "/";
}

}  // namespace qlm::gui
