#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "game/random.h"
#include "game/scoring.h"
#include "game/word_sources.h"
#include "history/history.h"
#include "history/practice.h"
#include "tests/support/test_files.h"

namespace {

const std::string WEAK = "mp";

// A typist who types every key 150 to 249 ms after the one before and
// mistypes one key in fifty, except the weak ones: typed twice as slowly,
// and mistyped three times in ten (as the next letter of the alphabet).
struct Typist {
    uint32_t state = 12345;
    uint32_t next(uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    }

    ResultRecord type(const std::string& target, int32_t words, bool careful = false) {
        ResultRecord record;
        record.time = "2026-12-07T18:23:06+01:00";
        record.mode = AttemptMode::Words;
        record.wordCount = words;
        record.language = "en";
        record.targetText = target;
        for (size_t i = 0; i < target.size(); ++i) {
            const char c = target[i];
            const bool weak = WEAK.find(c) != std::string::npos && !careful;
            uint32_t interval = i == 0 ? 600 : careful ? 150 : 150 + next(100);
            interval *= weak ? 2 : 1;
            record.intervals.push_back(interval);
            if (!careful && next(100) < (weak ? 30u : 2u)) {
                record.mistyped.emplace_back(c, c == 'z' ? 'a' : c == ' ' ? 'x' : char(c + 1));
                record.mistypedAt.push_back(uint32_t(i));
            }
            record.milliseconds += int32_t(interval);
        }
        record.mismatches = int32_t(record.mistyped.size());
        record.speed = formatFloat(typingSpeed(target.size(), 0, uint32_t(record.milliseconds)));
        record.errorPercentage = formatFloat(errorPercentage(record.mismatches, target.size()));
        return record;
    }
};

// Each weak letter's share of the letters drawn, over the share in plain draws.
std::vector<double> weakLetterRatios(const std::vector<std::string>& practice,
                                     const std::vector<std::string>& plain) {
    const auto shares = [](const std::vector<std::string>& targets) {
        std::vector<double> counts(WEAK.size(), 0);
        double letters = 0;
        for (const std::string& target : targets) {
            for (char c : target) {
                letters += c != ' ';
                const size_t weak = WEAK.find(c);
                if (weak != std::string::npos) {
                    ++counts[weak];
                }
            }
        }
        for (double& count : counts) {
            count /= letters;
        }
        return counts;
    };
    const std::vector<double> drawn = shares(practice);
    const std::vector<double> usual = shares(plain);
    std::vector<double> ratios;
    for (size_t i = 0; i < WEAK.size(); ++i) {
        ratios.push_back(drawn[i] / usual[i]);
    }
    return ratios;
}

TEST(Practice, DrawsTheWeakKeysOfASimulatedTypistAndLetsPractisedWordsGo) {
    GameState game;
    std::string error;
    ASSERT_TRUE(
        loadDictionary(game.words, error, std::string(TAPQUILL_DATA_DIR) + "/dictionary.dat"))
        << error;
    game.wordCount = 10;

    // Too little history: said so, and nothing to draw from yet.
    TempFolder folder;
    const std::string path = (folder.path / "results.csv").string();
    PracticePlan empty("en");
    ASSERT_TRUE(loadPracticePlan(path, empty, error)) << error;
    EXPECT_FALSE(empty.ready());
    EXPECT_EQ(empty.describe(), "Practice: too little history to judge yet (0 of 10 timed word "
                                "attempts in this language), so words are drawn as usual.");

    // The typist's history: 300 attempts at plain draws, in the results file
    // with records of another language and of verses that practice passes over.
    Typist typist;
    RandomGenerator random(2024);
    std::string file = RESULTS_HEADER;
    for (int i = 0; i < 300; ++i) {
        buildTargetText(game, random);
        ResultRecord record = typist.type(game.targetText, game.wordCount);
        file += formatRecord(record);
        record.language = "de";
        record.targetText = std::string(record.targetText.size(), 'z');
        record.mistyped.clear();
        record.mistypedAt.clear();
        record.mismatches = 0;
        file += formatRecord(record);
    }
    folder.write("results.csv", file);
    PracticePlan plan("en");
    ASSERT_TRUE(loadPracticePlan(path, plan, error)) << error;
    ASSERT_TRUE(plan.ready());
    EXPECT_EQ(plan.attempts(), 300u);
    const std::string line = plan.describe();
    EXPECT_EQ(line.rfind("Practice: words weighted toward the keys ", 0), 0u) << line;
    for (char c : WEAK) {
        EXPECT_NE(line.find(std::string(1, c)), std::string::npos) << line;
    }
    EXPECT_EQ(line.find('z'), std::string::npos) << line;

    // Practice draws against plain draws from the same seed.
    std::vector<std::string> practice;
    std::vector<std::string> plain;
    RandomGenerator practiceRandom(77);
    RandomGenerator plainRandom(77);
    for (int i = 0; i < 500; ++i) {
        std::string target;
        plan.drawTarget(game.words, game.wordCount, practiceRandom, target);
        practice.push_back(target);
        buildTargetText(game, plainRandom);
        plain.push_back(game.targetText);
    }
    for (const std::string& target : practice) {
        ASSERT_EQ(std::count(target.begin(), target.end(), ' '), 9) << target;
    }
    const std::vector<double> ratios = weakLetterRatios(practice, plain);
    for (size_t i = 0; i < WEAK.size(); ++i) {
        EXPECT_GE(ratios[i], 3.0) << WEAK[i];
        std::printf("[          ] %c drawn %.2f times as often as in plain draws\n", WEAK[i],
                    ratios[i]);
    }
    // The same seed draws the same practice targets.
    RandomGenerator again(77);
    std::string target;
    plan.drawTarget(game.words, game.wordCount, again, target);
    EXPECT_EQ(target, practice[0]);

    // A queued word typed right at the usual speed three times leaves the
    // queue; until then it stays.
    const std::vector<std::string> queued = plan.queuedWords();
    ASSERT_FALSE(queued.empty());
    const std::string word = queued.front();
    for (int times = 1; times <= 3; ++times) {
        ResultRecord record = typist.type(word, 1, true);
        record.mode = AttemptMode::Practice;
        plan.add(record);
        const std::vector<std::string>& now = plan.queuedWords();
        EXPECT_EQ(std::find(now.begin(), now.end(), word) == now.end(), times == 3) << times;
        EXPECT_EQ(now.size(), queued.size() - (times == 3));
    }
    EXPECT_EQ(plan.analysis().leftQueue.back().word, word);
}

TEST(Practice, PlainDrawsFollowTheSeedAsTheGeneratorDefinesThem) {
    GameState game;
    game.words = {"alpha", "beta", "gamma", "delta", "epsilon"};
    game.wordCount = 6;
    for (uint32_t seed : {0u, 1u, 4294967295u}) {
        // As the program does with --seed: two draws at load, ten at start-up.
        seedProgramRandom(seed);
        programRandom().discard(10);
        buildTargetText(game, programRandom());
        uint32_t state = seed;
        const auto draw = [&state] {
            state = state * 214013u + 2531011u;
            return (state >> 16) & 32767u;
        };
        for (int i = 0; i < 12; ++i) {
            draw();
        }
        std::string expected;
        for (int i = 0; i < game.wordCount; ++i) {
            expected += (i > 0 ? " " : "") + game.words[draw() % game.words.size()];
        }
        EXPECT_EQ(game.targetText, expected) << seed;
    }
}

} // namespace
