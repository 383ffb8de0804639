#include "platform/key_codes.h"
#include "platform/key_translation.h"
#include "platform/sdl/key_code_table.h"

#include <SDL_keyboard.h>
#include <SDL_mouse.h>
#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace {

struct Expected {
    SDL_Scancode scancode;
    int key;
};

void expectKeys(const std::initializer_list<Expected>& cases) {
    for (const Expected& item : cases) {
        EXPECT_EQ(keyCodeFromScancode(item.scancode), item.key)
            << "scancode " << item.scancode << " (" << SDL_GetScancodeName(item.scancode) << ")";
    }
}

TEST(KeyCodeTable, LettersAndDigits) {
    expectKeys({{SDL_SCANCODE_A, DIK_A},
                {SDL_SCANCODE_Q, 16},
                {SDL_SCANCODE_P, 25},
                {SDL_SCANCODE_L, 38},
                {SDL_SCANCODE_Z, 44},
                {SDL_SCANCODE_M, 50},
                {SDL_SCANCODE_1, 2},
                {SDL_SCANCODE_9, 10},
                {SDL_SCANCODE_0, 11},
                {SDL_SCANCODE_ESCAPE, 1},
                {SDL_SCANCODE_LSHIFT, 42},
                {SDL_SCANCODE_RSHIFT, 54}});
}

TEST(KeyCodeTable, NumberPadIncludingEnterAndDivide) {
    expectKeys({{SDL_SCANCODE_KP_7, 71},
                {SDL_SCANCODE_KP_8, 72},
                {SDL_SCANCODE_KP_9, 73},
                {SDL_SCANCODE_KP_MINUS, 74},
                {SDL_SCANCODE_KP_4, 75},
                {SDL_SCANCODE_KP_5, 76},
                {SDL_SCANCODE_KP_6, 77},
                {SDL_SCANCODE_KP_PLUS, 78},
                {SDL_SCANCODE_KP_1, 79},
                {SDL_SCANCODE_KP_2, 80},
                {SDL_SCANCODE_KP_3, 81},
                {SDL_SCANCODE_KP_0, 82},
                {SDL_SCANCODE_KP_PERIOD, 83},
                {SDL_SCANCODE_KP_MULTIPLY, 55},
                {SDL_SCANCODE_KP_ENTER, 156},
                {SDL_SCANCODE_KP_DIVIDE, 181},
                {SDL_SCANCODE_NUMLOCKCLEAR, 69}});
}

TEST(KeyCodeTable, ExtendedKeys) {
    expectKeys({{SDL_SCANCODE_LCTRL, 29},
                {SDL_SCANCODE_RCTRL, 157},
                {SDL_SCANCODE_LALT, 56},
                {SDL_SCANCODE_RALT, 184},
                {SDL_SCANCODE_LGUI, DIK_LWIN},
                {SDL_SCANCODE_RGUI, DIK_RWIN},
                {SDL_SCANCODE_APPLICATION, DIK_APPS},
                {SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ},
                {SDL_SCANCODE_PAUSE, DIK_PAUSE},
                {SDL_SCANCODE_SCROLLLOCK, 70},
                {SDL_SCANCODE_CAPSLOCK, 58},
                {SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102},
                {SDL_SCANCODE_HOME, 0xC7},
                {SDL_SCANCODE_UP, 0xC8},
                {SDL_SCANCODE_PAGEUP, 0xC9},
                {SDL_SCANCODE_LEFT, 0xCB},
                {SDL_SCANCODE_RIGHT, 0xCD},
                {SDL_SCANCODE_END, 0xCF},
                {SDL_SCANCODE_DOWN, 0xD0},
                {SDL_SCANCODE_PAGEDOWN, 0xD1},
                {SDL_SCANCODE_INSERT, 0xD2},
                {SDL_SCANCODE_DELETE, 0xD3},
                {SDL_SCANCODE_F1, 0x3B},
                {SDL_SCANCODE_F10, 0x44},
                {SDL_SCANCODE_F11, 0x57},
                {SDL_SCANCODE_F12, 0x58},
                {SDL_SCANCODE_F13, 0x64},
                {SDL_SCANCODE_F15, 0x66}});
}

TEST(KeyCodeTable, UnmappedAndOutOfRangeScancodesGiveZero) {
    expectKeys({{SDL_SCANCODE_UNKNOWN, 0},
                {SDL_SCANCODE_F16, 0},
                {SDL_SCANCODE_F24, 0},
                {SDL_SCANCODE_AUDIOFASTFORWARD, 0}});
    EXPECT_EQ(keyCodeFromScancode(-1), 0);
    EXPECT_EQ(keyCodeFromScancode(SDL_NUM_SCANCODES), 0);
    EXPECT_EQ(keyCodeFromScancode(1 << 30), 0);
}

// Only keys that send the same code on every board share a key code.
TEST(KeyCodeTable, NoTwoKeysShareACodeExceptKnownAliases) {
    std::map<int, int> owner;
    const std::map<int, int> aliases = {
        {SDL_SCANCODE_NONUSHASH, SDL_SCANCODE_BACKSLASH},
        {SDL_SCANCODE_SYSREQ, SDL_SCANCODE_PRINTSCREEN},
        {SDL_SCANCODE_AUDIOMUTE, SDL_SCANCODE_MUTE},
    };
    int mapped = 0;
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
        const int key = keyCodeFromScancode(scancode);
        if (key == 0) {
            continue;
        }
        ++mapped;
        const auto found = owner.find(key);
        if (found == owner.end()) {
            owner[key] = scancode;
            continue;
        }
        const auto alias = aliases.find(scancode);
        EXPECT_TRUE(alias != aliases.end() && alias->second == found->second)
            << "scancodes " << found->second << " and " << scancode << " share key " << key;
    }
    // A 104-key board alone has 104 keys with codes.
    EXPECT_GE(mapped, 104);
}

// The scancodes of the US rows, through the key codes, type the US labels.
TEST(KeyCodeTable, UsRowsTypeTheirLabels) {
    const SDL_Scancode digitRow[] = {SDL_SCANCODE_1, SDL_SCANCODE_2,     SDL_SCANCODE_3,
                                     SDL_SCANCODE_4, SDL_SCANCODE_5,     SDL_SCANCODE_6,
                                     SDL_SCANCODE_7, SDL_SCANCODE_8,     SDL_SCANCODE_9,
                                     SDL_SCANCODE_0, SDL_SCANCODE_MINUS, SDL_SCANCODE_EQUALS};
    const SDL_Scancode topRow[] = {SDL_SCANCODE_Q, SDL_SCANCODE_W, SDL_SCANCODE_E, SDL_SCANCODE_R,
                                   SDL_SCANCODE_T, SDL_SCANCODE_Y, SDL_SCANCODE_U, SDL_SCANCODE_I,
                                   SDL_SCANCODE_O, SDL_SCANCODE_P};
    const SDL_Scancode homeRow[] = {SDL_SCANCODE_A,         SDL_SCANCODE_S,         SDL_SCANCODE_D,
                                    SDL_SCANCODE_F,         SDL_SCANCODE_G,         SDL_SCANCODE_H,
                                    SDL_SCANCODE_J,         SDL_SCANCODE_K,         SDL_SCANCODE_L,
                                    SDL_SCANCODE_SEMICOLON, SDL_SCANCODE_APOSTROPHE};
    const SDL_Scancode bottomRow[] = {SDL_SCANCODE_Z,    SDL_SCANCODE_X,     SDL_SCANCODE_C,
                                      SDL_SCANCODE_V,    SDL_SCANCODE_B,     SDL_SCANCODE_N,
                                      SDL_SCANCODE_M,    SDL_SCANCODE_COMMA, SDL_SCANCODE_PERIOD,
                                      SDL_SCANCODE_SLASH};
    const auto typeRow = [](const SDL_Scancode* keys, size_t count, bool shift) {
        std::string typed;
        for (size_t i = 0; i < count; ++i) {
            typed += translateKey(keyCodeFromScancode(keys[i]), shift);
        }
        return typed;
    };
    EXPECT_EQ(typeRow(digitRow, 12, false), "1234567890-=");
    EXPECT_EQ(typeRow(digitRow, 12, true), "!@#$%^&*()-+");
    EXPECT_EQ(typeRow(topRow, 10, false), "qwertyuiop");
    EXPECT_EQ(typeRow(homeRow, 11, false), "asdfghjkl;'");
    EXPECT_EQ(typeRow(homeRow, 11, true), "ASDFGHJKL:\"");
    EXPECT_EQ(typeRow(bottomRow, 10, false), "zxcvbnm,./");
    EXPECT_EQ(translateKey(keyCodeFromScancode(SDL_SCANCODE_SPACE), false), ' ');
    EXPECT_EQ(translateKey(keyCodeFromScancode(SDL_SCANCODE_KP_ENTER), false), '\n');
    EXPECT_EQ(translateKey(keyCodeFromScancode(SDL_SCANCODE_KP_DIVIDE), false), '/');
    EXPECT_EQ(translateKey(keyCodeFromScancode(SDL_SCANCODE_BACKSPACE), false), 0);
}

TEST(KeyState, HeldScancodesSetTheirKeysAndClearEveryOther) {
    uint8_t scancodes[SDL_NUM_SCANCODES] = {};
    scancodes[SDL_SCANCODE_LSHIFT] = 1;
    scancodes[SDL_SCANCODE_KP_ENTER] = 1;
    scancodes[SDL_SCANCODE_F16] = 1; // no key code: ignored
    uint8_t keys[256];
    std::memset(keys, 0x55, sizeof keys);
    keyStateFromScancodes(scancodes, SDL_NUM_SCANCODES, keys);
    for (int key = 0; key < 256; ++key) {
        const bool held = key == DIK_LSHIFT || key == DIK_NUMPADENTER;
        EXPECT_EQ(keys[key], held ? 0x80 : 0) << "key " << key;
    }
}

TEST(KeyState, KeySharedByTwoScancodesIsHeldWhileEitherIs) {
    uint8_t scancodes[SDL_NUM_SCANCODES] = {};
    uint8_t keys[256];
    // The scancode read first is held, the later alias is not.
    scancodes[SDL_SCANCODE_BACKSLASH] = 1;
    keyStateFromScancodes(scancodes, SDL_NUM_SCANCODES, keys);
    EXPECT_EQ(keys[DIK_BACKSLASH], 0x80);
    scancodes[SDL_SCANCODE_BACKSLASH] = 0;
    scancodes[SDL_SCANCODE_NONUSHASH] = 1;
    keyStateFromScancodes(scancodes, SDL_NUM_SCANCODES, keys);
    EXPECT_EQ(keys[DIK_BACKSLASH], 0x80);
}

TEST(KeyState, ShortScancodeArrayIsNotReadPastItsEnd) {
    uint8_t scancodes[SDL_SCANCODE_B + 1] = {};
    scancodes[SDL_SCANCODE_B] = 1;
    uint8_t keys[256];
    keyStateFromScancodes(scancodes, SDL_SCANCODE_B + 1, keys);
    EXPECT_EQ(keys[DIK_B], 0x80);
    EXPECT_EQ(keys[DIK_A], 0);
}

TEST(MouseButtonState, ButtonsInDirectInputOrder) {
    uint8_t buttons[4];
    mouseButtonState(SDL_BUTTON_LMASK | SDL_BUTTON_X1MASK, buttons);
    EXPECT_EQ(buttons[0], 0x80);
    EXPECT_EQ(buttons[1], 0);
    EXPECT_EQ(buttons[2], 0);
    EXPECT_EQ(buttons[3], 0x80);
    mouseButtonState(SDL_BUTTON_RMASK, buttons);
    EXPECT_EQ(buttons[1], 0x80);
    EXPECT_EQ(buttons[0] | buttons[2] | buttons[3], 0);
    mouseButtonState(SDL_BUTTON_MMASK | SDL_BUTTON_X2MASK, buttons);
    EXPECT_EQ(buttons[2], 0x80);
    EXPECT_EQ(buttons[0] | buttons[1] | buttons[3], 0);
}

} // namespace
