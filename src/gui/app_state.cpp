#include "gui/app_state.h"

#include "shell/command_line.h"

namespace qlm::gui {

void StartUp(FileSystem& fs, int argc, const char* const* argv, const std::string& executable,
             const EnvironmentLookup& environment, AppState& state) {
  state.mode = RunMode::None;
  if (GetCommandArgument(argc, argv, state.TargetPath) == 0) {
    state.mode = ClassifyArgument(fs, state.TargetPath);
  }
  std::string directory;
  if (FindProgramDirectory(fs, "", executable, environment, directory) != FsError::Ok) {
    directory = ".";
  }
  while (directory.size() > 1 && directory.back() == '/')
    directory.pop_back();
  state.settings = LoadSettings(fs, directory);
  state.ProgramDirectory = directory == "/" ? directory : directory + "/";
}

}  // namespace qlm::gui
