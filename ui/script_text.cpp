#include "ui/script_text.h"

#include <algorithm>

namespace kestrune {

bool startsWithUtf8Bom(std::string_view bytes) {
  return bytes.starts_with(kUtf8Bom);
}

std::size_t replaceNulBytes(std::string& bytes) {
  std::size_t count = 0;
  for (char& c : bytes) {
    if (c == '\0') {
      c = ' ';
      ++count;
    }
  }
  return count;
}

bool normalizeLineBreaks(std::string& text) {
  // Most files are already right; only build a copy when one is not.
  bool needed = false;
  for (std::size_t i = 0; i < text.size() && !needed; ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      } else {
        needed = true;
      }
    } else if (text[i] == '\n') {
      needed = true;
    }
  }
  if (!needed) return false;

  std::string out;
  out.reserve(text.size() + text.size() / 8 + 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  text = std::move(out);
  return true;
}

std::size_t lineNumberAt(std::string_view text, std::size_t offset) {
  const std::string_view before = text.substr(0, std::min(offset, text.size()));
  return 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
}

}  // namespace kestrune
