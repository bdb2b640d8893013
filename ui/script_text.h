#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The byte-level half of reading and writing script files. It includes no
// Windows header, and every function is defined for any bytes at all: it runs
// on whatever a user's file happens to contain.
namespace kestrune {

// No script comes near this size; refusing larger files keeps a stray
// multi-gigabyte file from exhausting memory before anything is shown.
inline constexpr std::size_t kMaxScriptFileBytes = std::size_t{64} * 1024 * 1024;

inline bool fitsScriptLimit(std::size_t bytes) {
  return bytes <= kMaxScriptFileBytes;
}

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// True when the bytes begin with the UTF-8 byte-order mark that many editors
// write; such a file is UTF-8, not GBK.
bool startsWithUtf8Bom(std::string_view bytes);

// Turns every NUL byte into a space, in place, and returns how many there
// were. Safe on GBK and UTF-8 alike: neither uses 0x00 inside a character.
std::size_t replaceNulBytes(std::string& bytes);

// Makes every line break "\r\n": a lone "\n" or a lone "\r" becomes "\r\n".
// Returns true when anything changed. The script language cuts lines at
// "\r\n" only, so a file written on another system would otherwise read as
// one long line.
bool normalizeLineBreaks(std::string& text);

// The 1-based line that holds the byte at `offset`, counting "\n"; an offset
// past the end counts the whole text.
std::size_t lineNumberAt(std::string_view text, std::size_t offset);

}  // namespace kestrune
