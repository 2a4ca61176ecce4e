// Fuzz target for the entity decoder. Checks DecodeEntities against a plain reference that
// decodes with the rest of the text moved up at each step (the obvious, quadratic way), and
// the decoder's own promises: the text never grows, and valid UTF-8 stays valid.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "title/entities.h"
#include "title/utf8.h"

namespace {

void Check(bool ok, const char* what, const std::string& in, const std::string& out) {
  if (ok) return;
  std::fprintf(stderr, "entities_fuzz: %s (in %zu bytes, out %zu bytes)\n", what, in.size(),
               out.size());
  std::abort();
}

// The character `code` (0..255) in UTF-8.
std::string Utf8Of(int code) {
  if (code < 0x80) return std::string(1, static_cast<char>(code));
  std::string out(1, static_cast<char>(0xC0 | (code >> 6)));
  out += static_cast<char>(0x80 | (code & 0x3F));
  return out;
}

// One left-to-right pass: an '&' whose next ';' closes a known name of 2 to 6 bytes is
// replaced; output is never scanned again.
std::string Reference(std::string_view in) {
  std::string out;
  std::size_t i = 0;
  while (i < in.size()) {
    if (in[i] == '&') {
      const std::size_t semicolon = in.find(';', i);
      if (semicolon != std::string_view::npos && semicolon - i >= 3 && semicolon - i <= 7) {
        const int code = qlm::FindEntity(in.substr(i + 1, semicolon - i - 1));
        if (code >= 0) {
          out += Utf8Of(code);
          i = semicolon + 1;
          continue;
        }
      }
    }
    out += in[i++];
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string in(reinterpret_cast<const char*>(data), size);
  std::string out = in;
  qlm::DecodeEntities(out);
  Check(out.size() <= in.size(), "decoded text is longer than its input", in, out);
  Check(out == Reference(in), "decoded text differs from the reference decoding", in, out);
  if (qlm::IsValidUtf8(in)) Check(qlm::IsValidUtf8(out), "valid UTF-8 became invalid", in, out);
  if (in.find('&') == std::string::npos) Check(out == in, "text without '&' changed", in, out);
  return 0;
}
