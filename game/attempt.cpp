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

// One character of the frame with the platform's time stamp of its press.
struct Keystroke {
    char character;
    uint32_t stamp;
};

// The frame's characters: the system's typed text, or the key-down events
// by the US key labels, with Shift as it is held in this frame.
std::vector<Keystroke> typedCharacters(FrameInput input) {
    std::vector<Keystroke> keystrokes;
    if (input.text != nullptr) {
        const std::vector<uint32_t>* times = input.textTimes;
        for (size_t i = 0; i < input.text->size(); ++i) {
            const uint32_t stamp = times != nullptr && i < times->size() ? (*times)[i] : 0;
            keystrokes.push_back({(*input.text)[i], stamp});
        }
        return keystrokes;
    }
    const bool shift = input.state[DIK_LSHIFT] != 0 || input.state[DIK_RSHIFT] != 0;
    for (const InputEvent& event : input.events) {
        if (event.pressed)
            keystrokes.push_back(
                {translateKey(static_cast<uint32_t>(event.code), shift), event.time});
    }
    return keystrokes;
}

// When a key stamped `stamp` went down, on the attempt's clock. The platform's
// stamps may count from another origin than the clock: the attempt's first
// character relates the two, once, and every later one keeps the platform's
// time since that first press.
uint32_t pressTime(GameState& game, uint32_t stamp, MillisecondClock clock) {
    if (game.keyTimes.empty())
        game.stampOffset = clock() - stamp;
    return stamp + game.stampOffset;
}

} // namespace

void updateTypingLines(GameState& game, FrameInput input, BitmapFont& font,
                       MillisecondClock clock) {
    for (const Keystroke& keystroke : typedCharacters(input)) {
        if (keystroke.character == 0 || game.typedText.size() >= game.targetText.size())
            continue;
        game.typedText += keystroke.character;
        if (!game.finished)
            game.keyTimes.push_back(pressTime(game, keystroke.stamp, clock));
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
        updateTypingLines(game, input, font, clock);
        if (!game.finished)
            return true;
    } else if (!game.finished) {
        // Completed in the previous frame: noticed, and timed, now.
        game.finished = true;
        game.endTime = clock();
        game.completed = {true,           game.verseMode, game.wordCount, game.targetText,
                          game.typedText, game.startTime, game.endTime,   game.keyTimes};
    }

    if (input.state[DIK_ESCAPE] != 0) {
        game.finished = false;
        game.typedText.clear();
        game.keyTimes.clear();
        game.scrollOffset = 0.0f;
        if (game.makeTarget)
            game.makeTarget(game, random);
        else
            buildTargetText(game, random);
        game.startTime = clock();
    }
    return false;
}
