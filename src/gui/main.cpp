#include "gui/gui_app.h"

int main(int argc, char** argv) {
  return qlm::gui::RunGui(argc, argv);
}
