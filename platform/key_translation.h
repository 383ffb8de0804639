// The fixed US-label table that turns key codes into typed characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The character that key `code` types, upper-cased or shifted when `shift`
// is set; 0 when the key types nothing.
char translateKey(uint32_t code, bool shift);

// --keyboard system: characters come from the system's text input, following
// the player's layout, and become the game's one-byte characters.

// What the typed text holds for a character that has no byte of its own
// (beyond Latin-1): byte 26, which no target can hold, since it ends the
// word files.
constexpr char UNMATCHED_CHARACTER = 26;

// The game's byte for the Unicode character `code`: ASCII and Latin-1 as
// their own byte, anything beyond as UNMATCHED_CHARACTER. A carriage return
// or line feed is a line feed and a tab a tab; other control characters are
// keys, not text (Backspace, Escape, Ctrl with a letter), and give 0.
char typedCharacter(uint32_t code);

// Appends the game's bytes for UTF-8 text (a byte that does not begin a
// valid sequence stands for one character beyond Latin-1).
void appendTypedText(const char* utf8, size_t size, std::string& typed);
