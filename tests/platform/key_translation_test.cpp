#include <gtest/gtest.h>

#include <string>

#include "platform/input_event.h"
#include "platform/key_codes.h"
#include "platform/key_translation.h"

namespace {

TEST(KeyTranslation, LettersFollowShiftOnly) {
    const std::string rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    const unsigned firstCodes[] = {DIK_Q, DIK_A, DIK_Z};
    for (int row = 0; row < 3; ++row) {
        for (size_t i = 0; i < rows[row].size(); ++i) {
            const unsigned code = firstCodes[row] + static_cast<unsigned>(i);
            EXPECT_EQ(translateKey(code, false), rows[row][i]) << "code " << code;
            EXPECT_EQ(translateKey(code, true), rows[row][i] - 32) << "code " << code;
        }
    }
}

TEST(KeyTranslation, TopRowShiftsToSymbols) {
    const std::string plain = "1234567890-=";
    const std::string shifted = "!@#$%^&*()-+";
    for (unsigned i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(translateKey(DIK_1 + i, false), plain[i]);
        EXPECT_EQ(translateKey(DIK_1 + i, true), shifted[i]);
    }
}

TEST(KeyTranslation, PunctuationKeysOfTheUsBoard) {
    struct Case {
        unsigned code;
        char plain;
        char shifted;
    };
    const Case cases[] = {
        {DIK_SEMICOLON, ';', ':'},  {DIK_APOSTROPHE, '\'', '"'},   {DIK_GRAVE, '\\', '~'},
        {DIK_BACKSLASH, '\\', '|'}, {DIK_COMMA, ',', ','},         {DIK_PERIOD, '.', '.'},
        {DIK_SLASH, '/', '?'},      {DIK_SPACE, ' ', ' '},         {DIK_TAB, '\t', '\t'},
        {DIK_RETURN, '\n', '\n'},   {DIK_NUMPADENTER, '\n', '\n'},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(translateKey(c.code, false), c.plain) << "code " << c.code;
        EXPECT_EQ(translateKey(c.code, true), c.shifted) << "code " << c.code;
    }
}

TEST(KeyTranslation, NumberPadIgnoresShift) {
    const struct {
        unsigned code;
        char c;
    } pad[] = {{DIK_NUMPAD0, '0'}, {DIK_NUMPAD1, '1'}, {DIK_NUMPAD2, '2'},  {DIK_NUMPAD3, '3'},
               {DIK_NUMPAD4, '4'}, {DIK_NUMPAD5, '5'}, {DIK_NUMPAD6, '6'},  {DIK_NUMPAD7, '7'},
               {DIK_NUMPAD8, '8'}, {DIK_NUMPAD9, '9'}, {DIK_MULTIPLY, '*'}, {DIK_SUBTRACT, '-'},
               {DIK_ADD, '+'},     {DIK_DECIMAL, '.'}, {DIK_DIVIDE, '/'}};
    for (const auto& key : pad) {
        EXPECT_EQ(translateKey(key.code, false), key.c);
        EXPECT_EQ(translateKey(key.code, true), key.c);
    }
}

TEST(KeyTranslation, KeysWithoutCharacterGiveZero) {
    const unsigned silent[] = {
        0,          DIK_ESCAPE,       DIK_BACK,   DIK_LBRACKET, DIK_RBRACKET,  DIK_LCONTROL,
        DIK_LSHIFT, DIK_RSHIFT,       DIK_LMENU,  DIK_CAPITAL,  DIK_F1,        DIK_F10,
        DIK_F12,    DIK_NUMLOCK,      DIK_SCROLL, DIK_RCONTROL, DIK_RMENU,     DIK_HOME,
        DIK_UP,     DIK_DELETE,       182,        255,          MOUSE_BUTTON0, MOUSE_WHEEL,
        MOUSE_MOVE, INPUT_CODE_COUNT, 0xFFFFFFFFu};
    for (unsigned code : silent) {
        EXPECT_EQ(translateKey(code, false), 0) << "code " << code;
        EXPECT_EQ(translateKey(code, true), 0) << "code " << code;
    }
}

TEST(KeyTranslation, EveryCharacterIsSevenBitAndOnlyListedCodesType) {
    int typing = 0;
    for (unsigned code = 0; code < 256; ++code) {
        const char plain = translateKey(code, false);
        const char shifted = translateKey(code, true);
        EXPECT_GE(plain, 0);
        EXPECT_GE(shifted, 0);
        EXPECT_EQ(plain == 0, shifted == 0) << "code " << code;
        if (plain != 0)
            ++typing;
    }
    // 26 letters, 12 top-row keys, 10 of punctuation, space, tab and enter, 16 on the pad.
    EXPECT_EQ(typing, 26 + 12 + 10 + 16);
}

TEST(SystemText, CharactersBecomeOneByteEachAtTheEdgesOfLatin1) {
    const struct {
        uint32_t code;
        char byte;
    } characters[] = {
        {'a', 'a'},
        {'~', '~'},
        {0xA0, char(0xA0)},
        {0xE9, char(0xE9)},
        {0xFF, char(0xFF)},
        {0x100, UNMATCHED_CHARACTER},
        {0x20AC, UNMATCHED_CHARACTER},
        {0x1F600, UNMATCHED_CHARACTER},
        {'\r', '\n'},
        {'\n', '\n'},
        {'\t', '\t'},
        {0x08, 0},
        {0x1B, 0},
        {0x7F, 0},
    };
    for (const auto& c : characters) {
        EXPECT_EQ(typedCharacter(c.code), c.byte) << "U+" << std::hex << c.code;
    }

    // UTF-8: a byte that begins no whole sequence is one unmatched character.
    const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xC3z\x80\xC0\xAF\xED\xA0\x80";
    std::string typed = "x";
    appendTypedText(utf8.data(), utf8.size(), typed);
    const std::string unmatched(1, UNMATCHED_CHARACTER);
    EXPECT_EQ(typed, "xa\xE9" + unmatched + unmatched + unmatched + "z" + unmatched + unmatched +
                         unmatched + unmatched);
}

} // namespace
