#include "app/program.h"

#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>

#include "app/data_files.h"
#include "app/languages.h"
#include "game/attempt.h"
#include "game/console_start_up.h"
#include "game/game_state.h"
#include "game/random.h"
#include "game/results.h"
#include "game/text_source.h"
#include "game/word_sources.h"
#include "history/history.h"
#include "history/practice.h"
#include "image/image.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gl_window.h"
#include "platform/input_system.h"
#include "platform/opengl.h"
#include "platform/screen_fit.h"
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

// What is played, as each record names it: the word list's language, or
// the player's text (its pieces, and its name as given).
std::string playedLanguage = DEFAULT_LANGUAGE;
bool playingText = false;
std::string textFile;
TextPieces textPieces;
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

// The targets as the options ask: the player's text, or words or verses as
// the console question (or the command line) answers it.
bool chooseTargets(const Options& options, std::string& error) {
    const std::string dictionary = dictionaryFileName(options.language);
    switch (options.play) {
    case Options::Play::Text:
        if (!loadText(options.textFile, textPieces, error))
            return false;
        playingText = true;
        textFile = options.textFile;
        game.makeTarget = [](GameState& state, RandomGenerator&) {
            textPieces.next(state.targetText);
        };
        if (textPieces.leftOut > 0) {
            const std::string line = "tapquill: left out " + std::to_string(textPieces.leftOut) +
                                     (textPieces.leftOut == 1 ? " character" : " characters") +
                                     " of " + textName(textFile) + " that cannot be typed\n";
            std::fputs(line.c_str(), stderr);
        }
        return true;
    case Options::Play::Words:
        return answerStartUp(game, options.wordsAnswer, findDataFile, error, dictionary);
    case Options::Play::Verses:
        // Any answer that does not start with a digit.
        return answerStartUp(game, "", findDataFile, error, dictionary);
    default:
        return consoleStartUp(game, std::cin, std::cout, findDataFile, error, dictionary);
    }
}

bool beyondAscii(const WordList& words) {
    for (const std::string& word : words) {
        for (const char c : word) {
            if (static_cast<unsigned char>(c) >= 0x80)
                return true;
        }
    }
    return false;
}

// Practice draws words: a verse answer plays verses as usual. The plan comes
// from the results file; until it holds enough, words are drawn as usual.
bool startPractice(std::string& error) {
    if (game.verseMode) {
        std::cout << "Practice: verses are played as usual; practice draws words only."
                  << std::endl;
        return true;
    }
    practice = std::make_unique<PracticePlan>(playedLanguage);
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
    // Words beyond ASCII are typed with the player's own layout, unless the
    // player asked for the US key labels.
    const bool english = options.language == DEFAULT_LANGUAGE;
    const bool systemKeyboard = options.keyboardGiven ? options.systemKeyboard : !english;
    window.systemText = systemKeyboard;
    input.systemText = systemKeyboard;
    window.scale = options.windowScale;
    window.coverDesktop = options.fullscreen;
    playedLanguage = options.language;
    if (options.seeded)
        seedProgramRandom(options.seed);
    if (!chooseTargets(options, error))
        return false;
    if (options.practice && !startPractice(error))
        return false;
    if (!systemKeyboard && !english && !game.verseMode && beyondAscii(game.words)) {
        std::fprintf(stderr,
                     "tapquill: the accented letters of the %s words cannot be typed with the US "
                     "key labels of --keyboard us\n",
                     findLanguage(options.language)->name);
    } else if (!systemKeyboard && playingText && textPieces.beyondAscii()) {
        std::fprintf(stderr,
                     "tapquill: the accented letters of %s cannot be typed with the US key "
                     "labels (--keyboard system types them)\n",
                     textName(textFile).c_str());
    }
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
    if (window.largerThanDesktop) {
        std::cerr << "tapquill: the window at --scale " << window.scale
                  << " is larger than the desktop (" << window.desktopWidth << "x"
                  << window.desktopHeight << " usable); it is made as asked\n";
    }

    // Fixed render state: nothing changes it later. No viewport is set; the
    // context's own covers the whole client area (fitPicture sets one for a
    // window asked for with a scale or over the desktop).
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

namespace {

// A window asked for with a scale, or over the whole desktop, draws the
// picture into the rectangle that fits its present size: all of the client
// area, or the largest 4:3 part of the desktop in the middle, the black bars
// beside it cleared with the rest. The default window keeps the context's
// own viewport.
void fitPicture() {
    if (window.scale == 0 && !window.coverDesktop)
        return;
    int32_t width = 0;
    int32_t height = 0;
    window.clientSize(width, height);
    const ScreenRect picture =
        window.coverDesktop ? letterbox(width, height, 40, 30) : ScreenRect{0, 0, width, height};
    glViewport(picture.x, picture.y, picture.width, picture.height);
}

} // namespace

void renderFrame() {
    glClear(GL_COLOR_BUFFER_BIT);
    fitPicture();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 40.0, 0.0, 30.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);

    input.readState();
    input.poll();

    const FrameInput frameInput{input.state, input.events, input.systemText ? &input.text : nullptr,
                                &input.textTimes};
    if (!attemptStep(game, frameInput, font, programRandom(), millisecondClock))
        resultsStep(game, font);

    // A finished attempt goes to the results history as its result is shown.
    CompletedAttempt attempt;
    if (takeCompletedAttempt(game, attempt) && !attempt.targetText.empty()) {
        ResultRecord record = resultRecord(attempt, std::time(nullptr));
        if (playingText) {
            record.mode = AttemptMode::Text;
            record.wordCount = 0;
            record.language.clear();
            record.source = textFile;
        } else if (record.mode == AttemptMode::Words) {
            record.language = playedLanguage;
        }
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
