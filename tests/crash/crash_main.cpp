// quillomat-cli-crashtest: quillomat-cli on a file layer that can kill the process at an exact
// mutating call (see kill_point_file_system.h). Built for the crash harness only; the product
// binary never reads the QLM_KILL_* variables.
#include "cli/cli_app.h"
#include "crash/kill_point_file_system.h"
#include "platform/posix/posix_file_system.h"

int main(int argc, char** argv) {
  qlm::PosixFileSystem disk;
  qlm::crash::KillPointFileSystem fs(disk, qlm::crash::KillPlanFromEnvironment());
  return qlm::cli::RunCli(argc, argv, fs);
}
