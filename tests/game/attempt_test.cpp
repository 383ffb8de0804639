#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sstream>
#include <vector>

#include "game/attempt.h"
#include "game/results.h"
#include "history/history.h"
#include "platform/files.h"
#include "platform/input_event.h"
#include "platform/key_codes.h"
#include "tests/game/frame_recording.h"
#include "tests/support/test_files.h"
#include "text/bitmap_font.h"

namespace {

uint32_t fakeNow = 0;
uint32_t fakeClock() {
    return fakeNow;
}

// Runs the attempt and results steps frame by frame, as renderFrame does,
// with a key state array and events the test sets up.
struct Frames {
    GameState game;
    BitmapFont font;
    std::ostringstream warnings;
    ResultsHistory history{warnings};
    RandomGenerator random{2024};
    uint8_t state[INPUT_CODE_COUNT] = {};
    std::vector<InputEvent> events;
    // The system's typed text of the frame, with --keyboard system.
    const std::string* text = nullptr;
    const std::vector<uint32_t>* textTimes = nullptr;
    bool endedEarly = false;

    Frames() {
        fakeNow = 0;
        resetGlRecorder();
    }

    void hold(int code) { state[code] = 0x80; }
    void release(int code) { state[code] = 0; }
    void press(int code) { events.push_back({code, 0x80, 0, 0}); }
    void pressAt(int code, uint32_t time) { events.push_back({code, 0x80, 0, 0, time}); }
    void letGo(int code) { events.push_back({code, 0, 0, 0}); }

    // One frame: the log then holds just this frame's drawing.
    void frame() {
        resetGlRecorder();
        const FrameInput input{state, events, text, textTimes};
        endedEarly = attemptStep(game, input, font, random, fakeClock);
        if (!endedEarly)
            resultsStep(game, font);
        CompletedAttempt attempt;
        if (takeCompletedAttempt(game, attempt) && !attempt.targetText.empty())
            history.record(resultRecord(attempt, std::time(nullptr)));
        events.clear();
    }

    void startAttempt(const std::string& target) {
        game.targetText = target;
        game.typedText.clear();
        game.finished = false;
        game.scrollOffset = 0.0f;
        game.startTime = fakeNow;
    }
};

bool closeTo(double a, double b) {
    return std::fabs(a - b) < 1e-5;
}

bool isColour(const DrawnGlyph& g, double r, double gr, double b) {
    return closeTo(g.red, r) && closeTo(g.green, gr) && closeTo(g.blue, b);
}

TEST(TypingAttempt, IdleScreenShowsPromptAndBylineEasingLeft) {
    Frames frames;
    frames.game.startTime = 3600000; // an hour after the system started
    frames.frame();
    EXPECT_FALSE(frames.endedEarly);
    // The first frame has already eased by 0.002 x 22 x 22.
    EXPECT_FLOAT_EQ(frames.game.scrollOffset, static_cast<float>(-0.0020000000949949026 * 484));
    const auto glyphs = drawnGlyphs();
    const auto target = glyphsOnRow(glyphs, 18);
    const auto typed = glyphsOnRow(glyphs, 17);
    // x from 19.032: characters 0 to 20 fit, 21 would stand past 40.
    ASSERT_EQ(target.size(), 21u);
    ASSERT_EQ(typed.size(), 21u);
    EXPECT_EQ(textOf(target), std::string(IDLE_TARGET_TEXT).substr(0, 21));
    EXPECT_EQ(textOf(typed), std::string(IDLE_TYPED_TEXT).substr(0, 21));
    EXPECT_NEAR(target[0].x, 20.0 + frames.game.scrollOffset, 1e-5);
    for (const DrawnGlyph& g : target)
        EXPECT_TRUE(isColour(g, 1, 1, 1));
    for (size_t i = 0; i < typed.size(); ++i) {
        if (IDLE_TYPED_TEXT[i] == IDLE_TARGET_TEXT[i])
            EXPECT_TRUE(isColour(typed[i], 0.7f, 0.7f, 1.0f)) << i;
        else
            EXPECT_TRUE(isColour(typed[i], 1.0f, 0.7f, 0.7f)) << i;
    }

    // The result rows: a negative speed, and 21 of 28 characters wrong.
    const auto speed = glyphsOnRow(glyphs, 22);
    EXPECT_EQ(textOf(speed), "-0.077778 wpm");
    // The speed keeps the colour of the last typed character drawn.
    EXPECT_TRUE(isColour(speed[0], 1.0f, 0.7f, 0.7f));
    EXPECT_EQ(textOf(glyphsOnRow(glyphs, 21)), "too bad that you got it wrong though!!");
    const auto percent = glyphsOnRow(glyphs, 20);
    EXPECT_EQ(textOf(percent), "75.000000% error");
    EXPECT_NEAR(percent[0].x, 4.0, 1e-9);
    EXPECT_TRUE(isColour(percent[0], 1.0f, 1.0f, 0.7f));

    // Frame after frame the gap closes, fast at first and ever more slowly.
    for (int i = 0; i < 2000; ++i)
        frames.frame();
    EXPECT_LT(frames.game.scrollOffset, -21.0f);
    EXPECT_GT(frames.game.scrollOffset, -22.0f);
}

TEST(TypingAttempt, TypingOntoTheBylineUntilItIsFullHidesBothLines) {
    Frames frames;
    for (int i = 0; i < 10; ++i)
        frames.press(DIK_X);
    frames.frame();
    EXPECT_EQ(frames.game.typedText, std::string(IDLE_TYPED_TEXT) + "xxxxxx");
    EXPECT_TRUE(frames.game.finished);
    frames.frame();
    const auto glyphs = drawnGlyphs();
    EXPECT_TRUE(glyphsOnRow(glyphs, 18).empty());
    EXPECT_TRUE(glyphsOnRow(glyphs, 17).empty());
    EXPECT_FALSE(glyphsOnRow(glyphs, 22).empty());
}

TEST(TypingAttempt, EscapeStartsAnAttemptOnlyWhenNoneIsRunning) {
    Frames frames;
    frames.game.words = {"alpha", "beta"};
    frames.game.wordCount = 2;
    frames.hold(DIK_ESCAPE);
    fakeNow = 5000;
    frames.frame();
    EXPECT_FALSE(frames.game.finished);
    EXPECT_TRUE(frames.game.typedText.empty());
    EXPECT_EQ(frames.game.startTime, 5000u);
    EXPECT_EQ(frames.game.scrollOffset, 0.0f);
    const std::string target = frames.game.targetText;
    EXPECT_NE(target.find(' '), std::string::npos);
    // In the frame of Escape the speed row is drawn once more, without errors.
    const auto glyphs = drawnGlyphs();
    EXPECT_FALSE(glyphsOnRow(glyphs, 22).empty());
    EXPECT_TRUE(glyphsOnRow(glyphs, 21).empty());

    // Held on, or pressed again, while the attempt runs: nothing happens.
    fakeNow = 6000;
    frames.press(DIK_ESCAPE);
    frames.frame();
    EXPECT_TRUE(frames.endedEarly);
    EXPECT_EQ(frames.game.targetText, target);
    EXPECT_EQ(frames.game.startTime, 5000u);
    EXPECT_TRUE(glyphsOnRow(drawnGlyphs(), 22).empty());
}

TEST(TypingAttempt, CompletionIsNoticedOneFrameLateAndScored) {
    Frames frames;
    frames.startAttempt(std::string(60, 'a'));
    fakeNow = 0;
    for (int i = 0; i < 16; ++i)
        frames.press(DIK_A);
    frames.frame();
    ASSERT_EQ(frames.game.typedText.size(), 16u);
    // Fill the rest directly; one wrong character.
    frames.game.typedText = std::string(59, 'a');
    frames.press(DIK_B);
    frames.frame();
    EXPECT_EQ(frames.game.typedText.size(), 60u);
    EXPECT_FALSE(frames.game.finished);
    EXPECT_TRUE(frames.endedEarly);

    fakeNow = 12000;
    frames.frame();
    EXPECT_TRUE(frames.game.finished);
    EXPECT_EQ(frames.game.endTime, 12000u);
    const auto glyphs = drawnGlyphs();
    EXPECT_TRUE(glyphsOnRow(glyphs, 18).empty());
    EXPECT_EQ(textOf(glyphsOnRow(glyphs, 22)), "50.000000 wpm");
    EXPECT_TRUE(isColour(glyphsOnRow(glyphs, 22)[0], 1, 1, 1));
    EXPECT_EQ(textOf(glyphsOnRow(glyphs, 20)), "1.666667% error");

    // The results stay until Escape.
    fakeNow = 99999;
    frames.frame();
    EXPECT_EQ(textOf(glyphsOnRow(drawnGlyphs(), 22)), "50.000000 wpm");
}

TEST(TypingAttempt, AllCorrectShowsOnlyTheSpeed) {
    Frames frames;
    frames.startAttempt("ab");
    frames.press(DIK_A);
    frames.press(DIK_B);
    frames.frame();
    fakeNow = 1000;
    frames.frame();
    const auto glyphs = drawnGlyphs();
    EXPECT_EQ(textOf(glyphsOnRow(glyphs, 22)), "20.000000 wpm");
    EXPECT_TRUE(glyphsOnRow(glyphs, 21).empty());
    EXPECT_TRUE(glyphsOnRow(glyphs, 20).empty());
}

TEST(TypingAttempt, KeysBeyondTheTargetAndKeysWithoutCharacterAreDropped) {
    Frames frames;
    frames.startAttempt("abcde");
    frames.game.typedText = "abc";
    frames.press(DIK_BACK);
    frames.press(DIK_LSHIFT);
    frames.letGo(DIK_F);
    frames.press(DIK_D);
    frames.press(DIK_E);
    frames.press(DIK_F);
    frames.press(MOUSE_BUTTON0);
    frames.frame();
    EXPECT_EQ(frames.game.typedText, "abcde");
}

TEST(TypingAttempt, ShiftIsReadFromTheFrameState) {
    Frames frames;
    frames.startAttempt("Aa1!");
    frames.hold(DIK_RSHIFT);
    frames.press(DIK_A);
    frames.frame();
    frames.release(DIK_RSHIFT);
    // Shift pressed and let go before this frame: its events do not count.
    frames.press(DIK_LSHIFT);
    frames.letGo(DIK_LSHIFT);
    frames.press(DIK_A);
    frames.press(DIK_1);
    frames.frame();
    frames.hold(DIK_LSHIFT);
    frames.press(DIK_1);
    frames.frame();
    EXPECT_EQ(frames.game.typedText, "Aa1!");
}

TEST(TypingAttempt, TabAndLineFeedAreTypedButDrawNothing) {
    Frames frames;
    frames.startAttempt("a\tb");
    frames.press(DIK_A);
    frames.press(DIK_RETURN);
    frames.frame();
    EXPECT_EQ(frames.game.typedText, "a\n");
    const auto typed = glyphsOnRow(drawnGlyphs(), 17);
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(typed[0].byte, 'a');
    // The target's tab draws no glyph either.
    EXPECT_EQ(textOf(glyphsOnRow(drawnGlyphs(), 18)), "ab");
}

TEST(TypingAttempt, EmptyTargetCompletesOneFrameAfterEscape) {
    Frames frames;
    frames.game.words = {"word"};
    frames.game.wordCount = 0;
    frames.hold(DIK_ESCAPE);
    fakeNow = 100;
    frames.frame();
    EXPECT_FALSE(frames.game.finished);
    EXPECT_TRUE(frames.game.targetText.empty());
    frames.release(DIK_ESCAPE);
    fakeNow = 107;
    frames.frame();
    EXPECT_TRUE(frames.game.finished);
    EXPECT_EQ(frames.game.endTime, 107u);
    // Zero characters over 7 ms.
    EXPECT_EQ(textOf(glyphsOnRow(drawnGlyphs(), 22)), "0.000000 wpm");

    // With Escape still held the next attempt starts in the completing frame.
    frames.hold(DIK_ESCAPE);
    fakeNow = 200;
    frames.frame();
    fakeNow = 201;
    frames.frame();
    EXPECT_FALSE(frames.game.finished);
    EXPECT_EQ(frames.game.endTime, 201u);
    EXPECT_EQ(frames.game.startTime, 201u);
}

TEST(TypingAttempt, OnlyCharactersBetweenZeroAndFortyAreDrawn) {
    Frames frames;
    std::string target;
    for (int i = 0; i < 100; ++i)
        target += static_cast<char>('A' + i % 26);
    frames.startAttempt(target);
    frames.game.typedText = target.substr(0, 60);
    frames.game.scrollOffset = -60.0f;
    frames.frame();
    EXPECT_EQ(frames.game.scrollOffset, -60.0f);
    const auto glyphs = drawnGlyphs();
    EXPECT_EQ(textOf(glyphsOnRow(glyphs, 18)), target.substr(40, 41));
    EXPECT_EQ(textOf(glyphsOnRow(glyphs, 17)), target.substr(40, 20));
    EXPECT_NEAR(glyphsOnRow(glyphs, 18).back().x, 40.0, 1e-9);

    // Half a cell left of the edge is not drawn.
    frames.game.typedText = target.substr(0, 20);
    frames.game.scrollOffset = -20.5f;
    frames.frame();
    const auto target18 = glyphsOnRow(drawnGlyphs(), 18);
    ASSERT_FALSE(target18.empty());
    EXPECT_EQ(target18[0].byte, target[1]);
}

TEST(TypingAttempt, SystemTextIsTypedInsteadOfTheKeyLabelsAndStopsAtTheTarget) {
    Frames frames;
    frames.startAttempt("\xE9t\xE9!");
    // The key press that made the text is not typed a second time.
    std::string text = "\xE9t";
    frames.text = &text;
    frames.press(DIK_Q);
    frames.hold(DIK_LSHIFT);
    frames.frame();
    EXPECT_EQ(frames.game.typedText, "\xE9t");
    text = "\xE9!x";
    frames.frame();
    EXPECT_EQ(frames.game.typedText, "\xE9t\xE9!");
    EXPECT_EQ(textOf(glyphsOnRow(drawnGlyphs(), 17)), "\xE9t\xE9!");
}

TEST(TypingAttempt, ScrollStepIsTheSquareOfTheGap) {
    Frames frames;
    frames.startAttempt(std::string(30, 'q'));
    frames.game.typedText = std::string(10, 'q');
    frames.frame();
    EXPECT_FLOAT_EQ(frames.game.scrollOffset, -0.2f);
    frames.game.scrollOffset = -9.0f;
    frames.frame();
    EXPECT_FLOAT_EQ(frames.game.scrollOffset, -9.002f);
}

TEST(Results, SpeedAndPercentageFormulas) {
    GameState game;
    game.targetText = std::string(60, 'x');
    game.typedText = game.targetText;
    game.startTime = 1000;
    game.endTime = 13000;
    EXPECT_EQ(formatFloat(typingSpeed(game)), "50.000000");
    EXPECT_EQ(mismatchCount(game), 0);
    game.typedText[5] = 'y';
    EXPECT_EQ(formatFloat(errorPercentage(game, mismatchCount(game))), "1.666667");
    // The clock wrapping between start and end still gives the true span.
    game.startTime = 0xFFFFF000u;
    game.endTime = 0xFFFFF000u + 12000u;
    EXPECT_EQ(formatFloat(typingSpeed(game)), "50.000000");
    // A target so long that length x 60000 passes 2^32 is not wrapped.
    game.targetText = std::string(100000, 'x');
    game.startTime = 0;
    game.endTime = 1000;
    EXPECT_EQ(formatFloat(typingSpeed(game)), "1000000.000000");
}

TEST(Results, FormatFloatEdges) {
    EXPECT_EQ(formatFloat(0.0f), "0.000000");
    EXPECT_EQ(formatFloat(-0.0777778f), "-0.077778");
    EXPECT_EQ(formatFloat(123456789.0f), "123456792.000000");
    EXPECT_EQ(formatFloat(3.4028235e38f).size(), 39u + 7u);
    EXPECT_EQ(formatFloat(1.0f / 0.0f), "inf");
    EXPECT_EQ(formatFloat(-1.0f / 0.0f), "-inf");
    EXPECT_EQ(formatFloat(std::nanf("")), "nan");
    EXPECT_EQ(formatFloat(-std::nanf("")), "-nan");
    // An empty target completed with no time elapsed: 0 / 0.
    GameState game;
    game.targetText.clear();
    game.startTime = game.endTime = 7;
    const float speed = typingSpeed(game);
    ASSERT_TRUE(std::isnan(speed));
#if defined(__GLIBC__)
    char expected[16];
    std::snprintf(expected, sizeof expected, "%f", double(speed));
    EXPECT_EQ(formatFloat(speed), expected);
#endif
}

TEST(Results, EachFinishedAttemptIsRecordedOnceWhenItsResultIsFirstShown) {
    TempFolder folder;
    const std::string path = (folder.path / "results.csv").string();
    Frames frames;
    frames.history.keepIn(path);
    frames.game.wordCount = 2;
    // The idle screen typed up to its length is no attempt.
    frames.game.typedText = frames.game.targetText;
    frames.frame();
    EXPECT_FALSE(std::filesystem::exists(path));

    // Completion is noticed (and recorded) in the frame after the last key.
    fakeNow = 1000;
    frames.startAttempt("ab cd");
    frames.game.typedText = "ab cx";
    fakeNow = 13000;
    frames.frame();
    frames.frame();
    // Escape held as completion is noticed starts the next attempt at once
    // (an empty one here: there are no words); the finished one is kept.
    fakeNow = 20000;
    frames.startAttempt("ef gh");
    frames.game.typedText = "ef gh";
    fakeNow = 26000;
    frames.hold(DIK_ESCAPE);
    frames.frame();
    EXPECT_EQ(frames.game.targetText, "");
    frames.release(DIK_ESCAPE);
    frames.frame(); // the empty target completes: nothing to keep

    std::string contents = fileContents(path);
    std::vector<ResultRecord> records;
    EXPECT_EQ(parseRecords(contents, records), 0u);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].targetText, "ab cd");
    EXPECT_EQ(records[0].wordCount, 2);
    EXPECT_EQ(records[0].milliseconds, 12000);
    EXPECT_EQ(records[0].speed, "4.166667");
    EXPECT_EQ(records[0].errorPercentage, "20.000000");
    EXPECT_EQ(records[0].mistyped, (std::vector<std::pair<char, char>>{{'d', 'x'}}));
    EXPECT_EQ(records[1].targetText, "ef gh");
    EXPECT_EQ(records[1].speed, "8.333334");
    EXPECT_EQ(records[1].mismatches, 0);
    EXPECT_EQ(frames.warnings.str(), "");
}

TEST(Results, ZeroElapsedTimeIsDrawnLikeAnyValue) {
    Frames frames;
    frames.startAttempt("go");
    frames.game.typedText = "go";
    fakeNow = 0;
    frames.frame();
    EXPECT_EQ(textOf(glyphsOnRow(drawnGlyphs(), 22)), "inf wpm");
}

TEST(KeystrokeTiming, EachCharacterKeepsTheTimeOfItsKeyNotOfItsFrame) {
    TempFolder folder;
    const std::string path = (folder.path / "results.csv").string();
    Frames frames;
    frames.history.keepIn(path);
    fakeNow = 1000;
    frames.startAttempt("abcdef");
    // The platform's stamps have an origin of their own: the first character
    // takes the clock of its frame, the others keep their stamps' distances.
    fakeNow = 1400;
    frames.pressAt(DIK_A, 70000);
    frames.pressAt(DIK_B, 70120);
    frames.frame();
    // A frame held up for seconds takes in three keys typed apart.
    fakeNow = 9000;
    frames.pressAt(DIK_C, 70500);
    frames.pressAt(DIK_D, 70501);
    frames.pressAt(DIK_E, 70503);
    frames.frame();
    EXPECT_EQ(frames.game.keyTimes, (std::vector<uint32_t>{1400, 1520, 1900, 1901, 1903}));
    const std::string text = "f";
    const std::vector<uint32_t> textTimes = {70900};
    frames.text = &text;
    frames.textTimes = &textTimes;
    frames.frame();
    fakeNow = 9500;
    frames.frame();
    std::vector<ResultRecord> records;
    parseRecords(fileContents(path), records);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].intervals, (std::vector<uint32_t>{400, 120, 380, 1, 2, 397}));
    EXPECT_EQ(records[0].milliseconds, 8500);
    // Escape starts the next attempt without times.
    frames.hold(DIK_ESCAPE);
    frames.frame();
    EXPECT_TRUE(frames.game.keyTimes.empty());
}

TEST(KeystrokeTiming, IntervalsCountFromTheStartAndNeverBackwards) {
    const struct {
        uint32_t start;
        std::vector<uint32_t> keyTimes;
        std::vector<uint32_t> intervals;
    } cases[] = {
        {100, {150, 400}, {50, 250}},
        {0xFFFFFFF0u, {0xFFFFFFFAu, 5}, {10, 11}}, // the clock wraps
        // A press stamped before the start, or before the press it follows,
        // counts 0 ms; the next one counts from the later of the two.
        {1000, {990, 1010}, {0, 10}},
        {0, {100, 90, 130}, {100, 0, 30}},
        {0, {100}, {}}, // no time for every character: untimed
    };
    for (const auto& c : cases) {
        CompletedAttempt attempt;
        attempt.targetText = attempt.typedText =
            std::string(c.intervals.empty() ? 2 : c.keyTimes.size(), 'x');
        attempt.startTime = c.start;
        attempt.keyTimes = c.keyTimes;
        EXPECT_EQ(resultRecord(attempt, 0).intervals, c.intervals) << c.start;
    }
}

} // namespace
