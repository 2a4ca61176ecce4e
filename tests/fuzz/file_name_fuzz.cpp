// Fuzz target for the title-to-file-name map. Whatever the title, the name holds none of the
// nine characters a file name cannot hold, no TAB, LF or CR, no en dash and no two spaces in a
// row; it is never longer than the title, valid UTF-8 stays valid, and mapping it again
// changes nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "title/file_name.h"
#include "title/utf8.h"

namespace {

void Check(bool ok, const char* what, const std::string& in, const std::string& out) {
  if (ok) return;
  std::fprintf(stderr, "file_name_fuzz: %s (in %zu bytes, out %zu bytes)\n", what, in.size(),
               out.size());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string in(reinterpret_cast<const char*>(data), size);
  std::string out = in;
  qlm::TitleToFileName(out);
  Check(out.size() <= in.size(), "name is longer than the title", in, out);
  Check(out.find_first_of(std::string("\\/:*?\"<>|\t\n\r")) == std::string::npos,
        "name holds a character the map replaces", in, out);
  Check(out.find("  ") == std::string::npos, "name holds two spaces in a row", in, out);
  Check(out.find("\xE2\x80\x93") == std::string::npos, "name holds an en dash", in, out);
  if (qlm::IsValidUtf8(in)) Check(qlm::IsValidUtf8(out), "valid UTF-8 became invalid", in, out);
  std::string again = out;
  qlm::TitleToFileName(again);
  Check(again == out, "mapping a mapped name changed it", in, out);
  return 0;
}
