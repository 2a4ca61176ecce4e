// Reads a compiled dialog template (DLGTEMPLATE or DLGTEMPLATEEX) back into plain values, so
// that tests can compare what the resource compiler made with the table it transcribes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qlm::testing {

struct ControlItem {
  int id = 0;              // -1 for a control without an id (stored as 0xFFFF)
  std::string class_name;  // "Button", "Edit", "Static", ... (predefined atoms by name)
  std::string text;        // UTF-8
  int x = 0, y = 0, width = 0, height = 0;
  std::uint32_t style = 0;
  std::uint32_t extended_style = 0;
};

struct DialogTemplate {
  std::uint32_t style = 0;
  std::uint32_t extended_style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  std::string caption;
  int font_size = 0;  // 0 without DS_SETFONT
  std::string font_name;
  std::vector<ControlItem> controls;
};

// The template in `bytes`, or nullopt when it is cut short or malformed.
std::optional<DialogTemplate> ReadDialogTemplate(std::span<const std::uint8_t> bytes);

}  // namespace qlm::testing
