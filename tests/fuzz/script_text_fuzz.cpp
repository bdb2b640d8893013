// Feeds arbitrary bytes through the byte-level routines a script file passes
// on its way into the editor, in the order reading applies them, and checks
// each against the plain reading of what it promises.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "ui/script_text.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "script_text invariant broken: %s\n", what);
  std::abort();
}

void check(bool ok, const char* what) {
  if (!ok) fail(what);
}

// The naive way: every "\r\n", lone "\r" and lone "\n" becomes "\r\n".
std::string crlfEverywhere(std::string_view in) {
  std::string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') {
      out += "\r\n";
      ++i;
    } else if (in[i] == '\r' || in[i] == '\n') {
      out += "\r\n";
    } else {
      out += in[i];
    }
  }
  return out;
}

std::size_t newlinesBefore(std::string_view text, std::size_t offset) {
  const std::string_view before = text.substr(0, std::min(offset, text.size()));
  return static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  check(kestrune::startsWithUtf8Bom(input) ==
            (size >= 3 && std::memcmp(data, kestrune::kUtf8Bom.data(), 3) == 0),
        "byte-order mark misjudged");
  std::string text(input);
  if (kestrune::startsWithUtf8Bom(text)) text.erase(0, kestrune::kUtf8Bom.size());

  const std::string beforeNuls = text;
  const std::size_t nuls = kestrune::replaceNulBytes(text);
  check(nuls == static_cast<std::size_t>(std::count(beforeNuls.begin(), beforeNuls.end(), '\0')),
        "NUL count wrong");
  check(text.size() == beforeNuls.size(), "NUL replacement changed the length");
  for (std::size_t i = 0; i < text.size(); ++i) {
    check(text[i] == (beforeNuls[i] == '\0' ? ' ' : beforeNuls[i]),
          "NUL replacement touched another byte");
  }

  const std::string beforeBreaks = text;
  const bool changed = kestrune::normalizeLineBreaks(text);
  check(text == crlfEverywhere(beforeBreaks), "line breaks not normalised to \"\\r\\n\"");
  check(changed == (text != beforeBreaks), "reported change does not match the text");
  std::string again = text;
  check(!kestrune::normalizeLineBreaks(again) && again == text, "normalising twice changed it");

  for (const std::size_t offset :
       {std::size_t{0}, text.size() / 3, text.size() / 2, text.size() == 0 ? 0 : text.size() - 1,
        text.size(), text.size() + 7}) {
    check(kestrune::lineNumberAt(text, offset) == 1 + newlinesBefore(text, offset),
          "line number at an offset wrong");
  }
  return 0;
}
