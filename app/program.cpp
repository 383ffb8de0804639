#include "app/program.h"

#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>

#include "app/data_files.h"
#include "game/attempt.h"
#include "game/console_start_up.h"
#include "game/game_state.h"
#include "game/random.h"
#include "game/results.h"
#include "game/word_sources.h"
#include "history/history.h"
#include "history/practice.h"
#include "image/image.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gl_window.h"
#include "platform/input_system.h"
#include "platform/opengl.h"
#include "text/bitmap_font.h"
#include "text/texture.h"

namespace {

constexpr const char FONT_FILE[] = "font.tga";
constexpr const char WINDOW_TITLE[] = "Tapquill";
constexpr int WINDOW_WIDTH = 640;
constexpr int WINDOW_HEIGHT = 480;
constexpr int WINDOW_BITS = 32;

// The program's objects: one of each, alive for the whole run.
GameState game;
GlWindow window;
InputSystem input;
BitmapFont font;
ResultsHistory history(std::cerr);

// The language of the word list, as the results file records it: the
// shipped list is English.
constexpr const char WORD_LIST_LANGUAGE[] = "en";
// With --practice in word mode: what the targets are drawn toward, kept up
// to date with every attempt finished.
std::unique_ptr<PracticePlan> practice;

// The glyph sheet, read before the window opens and made into the font's
// texture once there is a context.
Image glyphSheet;

// Without a glyph sheet every character would be drawn as a solid block:
// one that cannot be opened, or that holds no picture, stops the program.
bool readGlyphSheet(std::string& error) {
    std::string path;
    if (!findDataFile(FONT_FILE, path, error)) {
        return false;
    }
    std::string why;
    std::FILE* file = openRegularFile(path, &why);
    if (file == nullptr) {
        error = "cannot read \"" + path + "\": " + why;
        return false;
    }
    std::fclose(file);
    glyphSheet.loadFile(path.c_str());
    if (!glyphSheet.holdsPicture()) {
        error = "cannot use \"" + path + "\": not an uncompressed TGA picture";
        return false;
    }
    return true;
}

// Practice draws words: a verse answer plays verses as usual. The plan comes
// from the results file; until it holds enough, words are drawn as usual.
bool startPractice(std::string& error) {
    if (game.verseMode) {
        std::cout << "Practice: verses are played as usual; practice draws words only."
                  << std::endl;
        return true;
    }
    practice = std::make_unique<PracticePlan>(WORD_LIST_LANGUAGE);
    if (!loadPracticePlan(resultsFilePath(), *practice, error))
        return false;
    std::cout << practice->describe() << std::endl;
    game.makeTarget = [](GameState& state, RandomGenerator& random) {
        if (practice->ready())
            practice->drawTarget(state.words, state.wordCount, random, state.targetText);
        else
            buildTargetText(state, random);
    };
    return true;
}

} // namespace

bool startUp(const Options& options, std::string& error) {
    if (options.keepHistory)
        history.keepIn(resultsFilePath());
    window.systemText = options.systemKeyboard;
    input.systemText = options.systemKeyboard;
    if (options.seeded)
        seedProgramRandom(options.seed);
    if (!consoleStartUp(game, std::cin, std::cout, findDataFile, error))
        return false;
    if (options.practice && !startPractice(error))
        return false;
    if (!readGlyphSheet(error))
        return false;
    return windowStartUp(error);
}

bool windowStartUp(std::string& error) {
    window.create(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_BITS, false, WINDOW_TITLE);
    if (!window.failure.empty()) {
        error = "cannot open window: " + window.failure;
        window.destroy();
        return false;
    }

    // Fixed render state: nothing changes it later. No viewport is set; the
    // context's own covers the whole client area.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    setTextureParameters();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);

    font.load(glyphSheet);
    glyphSheet.clear();
    font.cellWidth = 1.0f;
    font.cellHeight = 1.0f;

    input.init(window.instance, window.window, false);

    programRandom().discard(10);
    game.targetText = IDLE_TARGET_TEXT;
    game.typedText = IDLE_TYPED_TEXT;
    game.startTime = millisecondClock();
    return true;
}

void renderFrame() {
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 40.0, 0.0, 30.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);

    input.readState();
    input.poll();

    const FrameInput frameInput{input.state, input.events,
                                input.systemText ? &input.text : nullptr};
    if (!attemptStep(game, frameInput, font, programRandom(), millisecondClock))
        resultsStep(game, font);

    // A finished attempt goes to the results history as its result is shown.
    CompletedAttempt attempt;
    if (takeCompletedAttempt(game, attempt) && !attempt.targetText.empty()) {
        ResultRecord record = resultRecord(attempt, std::time(nullptr));
        if (practice) {
            record.mode = AttemptMode::Practice;
            practice->add(record);
        }
        history.record(record);
    }
}

void runFrameLoop() {
    // Each pass handles one window message, or draws one frame when none waits.
    while (!window.quit) {
        if (window.handleMessage())
            continue;
        renderFrame();
        window.swapBuffers();
    }
    input.shutdown();
    window.destroy();
}
