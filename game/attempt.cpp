#include "game/attempt.h"

#include <string>
#include <utility>

#include "game/word_sources.h"
#include "platform/key_codes.h"
#include "platform/key_translation.h"
#include "platform/opengl.h"
#include "text/bitmap_font.h"

namespace {

// Draws one character with its cell's left edge at x on the row at y.
void drawCharacterAt(BitmapFont& font, char c, float x, float y) {
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    // A zero byte ends the one-character text before it starts.
    font.drawString(c == '\0' ? std::string() : std::string(1, c));
    glPopMatrix();
}

// Left edge of character `index` on either line, or false when it is not
// drawn: only characters from 0 to 40 inclusive are.
bool columnPosition(size_t index, float scrollOffset, float& x) {
    x = static_cast<float>(static_cast<double>(index) + static_cast<double>(scrollOffset) + 20.0);
    return x >= 0.0f && x <= 40.0f;
}

// The frame's characters: the system's typed text, or the key-down events
// by the US key labels, with Shift as it is held in this frame.
std::string typedCharacters(FrameInput input) {
    if (input.text != nullptr)
        return *input.text;
    const bool shift = input.state[DIK_LSHIFT] != 0 || input.state[DIK_RSHIFT] != 0;
    std::string characters;
    for (const InputEvent& event : input.events) {
        if (event.pressed)
            characters += translateKey(static_cast<uint32_t>(event.code), shift);
    }
    return characters;
}

} // namespace

void updateTypingLines(GameState& game, FrameInput input, BitmapFont& font) {
    for (const char c : typedCharacters(input)) {
        if (c != 0 && game.typedText.size() < game.targetText.size())
            game.typedText += c;
    }

    // Scroll: close part of the gap to minus the typed length, by its square.
    const int64_t typed = static_cast<int64_t>(game.typedText.size());
    const double gap = static_cast<double>(-typed) - static_cast<double>(game.scrollOffset);
    game.scrollOffset = static_cast<float>(static_cast<double>(game.scrollOffset) -
                                           static_cast<double>(SCROLL_RATE) * gap * gap);

    float x = 0.0f;
    for (size_t i = 0; i < game.targetText.size(); ++i) {
        if (!columnPosition(i, game.scrollOffset, x))
            continue;
        glColor3f(1.0f, 1.0f, 1.0f);
        drawCharacterAt(font, game.targetText[i], x, TARGET_LINE_Y);
    }
    for (size_t i = 0; i < game.typedText.size(); ++i) {
        if (!columnPosition(i, game.scrollOffset, x))
            continue;
        if (game.typedText[i] == game.targetText[i])
            glColor3f(0.7f, 0.7f, 1.0f);
        else
            glColor3f(1.0f, 0.7f, 0.7f);
        drawCharacterAt(font, game.typedText[i], x, TYPED_LINE_Y);
    }
}

bool takeCompletedAttempt(GameState& game, CompletedAttempt& attempt) {
    if (!game.completed.pending)
        return false;
    attempt = std::move(game.completed);
    game.completed = CompletedAttempt();
    return true;
}

bool attemptStep(GameState& game, FrameInput input, BitmapFont& font, RandomGenerator& random,
                 MillisecondClock clock) {
    if (game.targetText.size() != game.typedText.size()) {
        updateTypingLines(game, input, font);
        if (!game.finished)
            return true;
    } else if (!game.finished) {
        // Completed in the previous frame: noticed, and timed, now.
        game.finished = true;
        game.endTime = clock();
        game.completed = {true,           game.verseMode, game.wordCount, game.targetText,
                          game.typedText, game.startTime, game.endTime};
    }

    if (input.state[DIK_ESCAPE] != 0) {
        game.finished = false;
        game.typedText.clear();
        game.scrollOffset = 0.0f;
        if (game.makeTarget)
            game.makeTarget(game, random);
        else
            buildTargetText(game, random);
        game.startTime = clock();
    }
    return false;
}
