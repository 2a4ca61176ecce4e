#include "dialog_template.h"

#include <cstring>

#include "platform/win32/wide.h"

namespace qlm::testing {

namespace {

constexpr std::uint32_t kSetFont = 0x40;  // DS_SETFONT

// Reads little-endian values in order; once a read runs past the end, every later one fails.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }

  std::uint16_t Word() {
    if (!Need(2)) return 0;
    const auto value = static_cast<std::uint16_t>(bytes_[at_] | bytes_[at_ + 1] << 8);
    at_ += 2;
    return value;
  }
  std::uint32_t Dword() {
    const std::uint32_t low = Word();
    return low | static_cast<std::uint32_t>(Word()) << 16;
  }
  std::uint8_t Byte() {
    if (!Need(1)) return 0;
    return bytes_[at_++];
  }
  int Short() { return static_cast<std::int16_t>(Word()); }
  std::string Text() {
    std::wstring text;
    for (std::uint16_t unit = Word(); ok_ && unit != 0; unit = Word())
      text.push_back(static_cast<wchar_t>(unit));
    return win32::Narrow(text);
  }
  // A text or an ordinal (0xFFFF and a number), as menus, classes and control texts are
  // stored; an ordinal comes back as "#<number>".
  std::string TextOrOrdinal() {
    if (!Need(2)) return {};
    if (bytes_[at_] == 0xFF && bytes_[at_ + 1] == 0xFF) {
      Word();
      return "#" + std::to_string(Word());
    }
    return Text();
  }
  void AlignToDword() { at_ = (at_ + 3) & ~std::size_t{3}; }
  void Skip(std::size_t count) {
    if (Need(count)) at_ += count;
  }

 private:
  bool Need(std::size_t count) {
    if (at_ + count > bytes_.size()) ok_ = false;
    return ok_;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

// The predefined classes by their usual names, whether stored as an atom or as a name (in
// any letter case: class names do not tell case apart).
std::string ClassName(const std::string& stored) {
  static const char* const kNames[][2] = {{"#128", "Button"},    {"#129", "Edit"},
                                          {"#130", "Static"},    {"#131", "ListBox"},
                                          {"#132", "ScrollBar"}, {"#133", "ComboBox"}};
  for (const auto& [atom, name] : kNames) {
    if (stored == atom || _stricmp(stored.c_str(), name) == 0) return name;
  }
  return stored;
}

}  // namespace

std::optional<DialogTemplate> ReadDialogTemplate(std::span<const std::uint8_t> bytes) {
  Reader in(bytes);
  DialogTemplate dialog;
  const bool extended =
      bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
  int count = 0;
  if (extended) {
    in.Dword();  // version and signature
    in.Dword();  // help id
    dialog.extended_style = in.Dword();
    dialog.style = in.Dword();
  } else {
    dialog.style = in.Dword();
    dialog.extended_style = in.Dword();
  }
  count = in.Word();
  dialog.x = in.Short();
  dialog.y = in.Short();
  dialog.width = in.Short();
  dialog.height = in.Short();
  in.TextOrOrdinal();  // menu
  in.TextOrOrdinal();  // class
  dialog.caption = in.Text();
  if (dialog.style & kSetFont) {
    dialog.font_size = in.Word();
    if (extended) in.Skip(4);  // weight, italic, character set
    dialog.font_name = in.Text();
  }
  for (int i = 0; i < count && in.ok(); ++i) {
    in.AlignToDword();
    ControlItem item;
    if (extended) {
      in.Dword();  // help id
      item.extended_style = in.Dword();
      item.style = in.Dword();
    } else {
      item.style = in.Dword();
      item.extended_style = in.Dword();
    }
    item.x = in.Short();
    item.y = in.Short();
    item.width = in.Short();
    item.height = in.Short();
    item.id = extended ? static_cast<int>(static_cast<std::int32_t>(in.Dword())) : in.Short();
    item.class_name = ClassName(in.TextOrOrdinal());
    item.text = in.TextOrOrdinal();
    in.Skip(in.Word());  // creation data
    dialog.controls.push_back(item);
  }
  if (!in.ok()) return std::nullopt;
  return dialog;
}

}  // namespace qlm::testing
