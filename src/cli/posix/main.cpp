#include "cli/cli_app.h"

int main(int argc, char** argv) {
  return qlm::cli::RunCli(argc, argv);
}
