// Fuzz target for the title reader's in-memory part. The first input byte chooses entity
// decoding (its lowest bit); the rest is the text one read delivered. Aborts when a promise
// of ExtractTitle is broken.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/messages.h"
#include "title/read_title.h"
#include "title/utf8.h"

namespace {

void Check(bool ok, const char* what, const std::string& out) {
  if (ok) return;
  std::fprintf(stderr, "title_fuzz: %s (out has %zu bytes)\n", what, out.size());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool parse_entities = (data[0] & 1) != 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string out;
  const std::int32_t result = qlm::ExtractTitle(bytes, parse_entities, out);
  if (result != qlm::TitleOk) {
    Check(result == qlm::TitleError, "result is neither TitleOk nor TitleError", out);
    Check(out == qlm::msg::kFileCouldNotBeParsed || out == qlm::msg::kFileHasNoTitle,
          "failure text is not one of the two parse texts", out);
    return 0;
  }
  Check(!out.empty(), "empty name", out);
  Check(out.size() <= qlm::kTitleLimit, "name longer than 299 bytes", out);
  Check(qlm::IsValidUtf8(out), "name is not valid UTF-8", out);
  Check(out.find_first_of("\\/:*?\"<>|\t\n\r") == std::string::npos,
        "name holds a character the map replaces", out);
  Check(out.find("  ") == std::string::npos, "name holds two spaces in a row", out);
  return 0;
}
