#include "platform/key_translation.h"

#include "platform/key_codes.h"

namespace {

struct KeyTables {
    char base[256] = {};
    char shifted[256] = {};

    constexpr void key(unsigned code, char plain, char withShift) {
        base[code] = plain;
        shifted[code] = withShift;
    }

    constexpr KeyTables() {
        const char letters[][2] = {
            {DIK_Q, 'q'}, {DIK_W, 'w'}, {DIK_E, 'e'}, {DIK_R, 'r'}, {DIK_T, 't'}, {DIK_Y, 'y'},
            {DIK_U, 'u'}, {DIK_I, 'i'}, {DIK_O, 'o'}, {DIK_P, 'p'}, {DIK_A, 'a'}, {DIK_S, 's'},
            {DIK_D, 'd'}, {DIK_F, 'f'}, {DIK_G, 'g'}, {DIK_H, 'h'}, {DIK_J, 'j'}, {DIK_K, 'k'},
            {DIK_L, 'l'}, {DIK_Z, 'z'}, {DIK_X, 'x'}, {DIK_C, 'c'}, {DIK_V, 'v'}, {DIK_B, 'b'},
            {DIK_N, 'n'}, {DIK_M, 'm'},
        };
        for (const auto& letter : letters)
            base[static_cast<unsigned char>(letter[0])] = letter[1];

        // The top row: digits, and the symbols above them.
        const char digits[] = "1234567890";
        const char symbols[] = "!@#$%^&*()";
        for (unsigned i = 0; i < 10; ++i)
            key(DIK_1 + i, digits[i], symbols[i]);

        key(DIK_MINUS, '-', 0);
        key(DIK_EQUALS, '=', '+');
        key(DIK_TAB, '\t', 0);
        key(DIK_RETURN, '\n', 0);
        key(DIK_SEMICOLON, ';', ':');
        key(DIK_APOSTROPHE, '\'', '"');
        key(DIK_GRAVE, '\\', '~');
        key(DIK_BACKSLASH, '\\', '|');
        key(DIK_COMMA, ',', 0);
        key(DIK_PERIOD, '.', 0);
        key(DIK_SLASH, '/', '?');
        key(DIK_SPACE, ' ', 0);

        // The number pad ignores Shift and Num Lock alike.
        key(DIK_MULTIPLY, '*', 0);
        key(DIK_NUMPAD7, '7', 0);
        key(DIK_NUMPAD8, '8', 0);
        key(DIK_NUMPAD9, '9', 0);
        key(DIK_SUBTRACT, '-', 0);
        key(DIK_NUMPAD4, '4', 0);
        key(DIK_NUMPAD5, '5', 0);
        key(DIK_NUMPAD6, '6', 0);
        key(DIK_ADD, '+', 0);
        key(DIK_NUMPAD1, '1', 0);
        key(DIK_NUMPAD2, '2', 0);
        key(DIK_NUMPAD3, '3', 0);
        key(DIK_NUMPAD0, '0', 0);
        key(DIK_DECIMAL, '.', 0);
        key(DIK_NUMPADENTER, '\n', 0);
        key(DIK_DIVIDE, '/', 0);
    }
};

constexpr KeyTables tables;

} // namespace

char translateKey(uint32_t code, bool shift) {
    if (code > 255)
        return 0;
    const char plain = tables.base[code];
    if (!shift)
        return plain;
    if (plain >= 'a' && plain <= 'z')
        return static_cast<char>(plain - 32);
    if (tables.shifted[code] != 0)
        return tables.shifted[code];
    return plain;
}

char typedCharacter(uint32_t code) {
    if (code == '\r' || code == '\n') {
        return '\n';
    }
    if (code == '\t') {
        return '\t';
    }
    if (code < 0x20 || code == 0x7F) {
        return 0;
    }
    if (code <= 0xFF) {
        return static_cast<char>(code);
    }
    return UNMATCHED_CHARACTER;
}

void appendTypedText(const char* utf8, size_t size, std::string& typed) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
    const unsigned char* const end = p + size;
    while (p != end) {
        const unsigned lead = *p++;
        // The length of the sequence, and the smallest code it may hold.
        size_t more = 0;
        uint32_t least = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            least = 0x10000;
        } else if (lead >= 0x80) {
            typed += UNMATCHED_CHARACTER;
            continue;
        }
        uint32_t code = more == 0 ? lead : lead & (0x3Fu >> more);
        size_t taken = 0;
        while (taken < more && p != end && (*p & 0xC0) == 0x80) {
            code = (code << 6) | (*p++ & 0x3F);
            ++taken;
        }
        const bool valid =
            taken == more && code >= least && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        const char c = valid ? typedCharacter(code) : UNMATCHED_CHARACTER;
        if (c != 0) {
            typed += c;
        }
    }
}
