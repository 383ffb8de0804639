// The fixed US-label table that turns key codes into typed characters.
#pragma once

#include <cstdint>

// The character that key `code` types, upper-cased or shifted when `shift`
// is set; 0 when the key types nothing.
char translateKey(uint32_t code, bool shift);
