#include "history/practice.h"

#include <algorithm>
#include <cmath>

#include "game/word_sources.h"
#include "history/history_report.h"

namespace {

constexpr uint64_t KEY_ASKED_AT_LEAST = 20;
constexpr uint64_t PAIR_TIMED_AT_LEAST = 10;
constexpr double NEED_PART_LIMIT = 8;
constexpr size_t CONFUSIONS_USED = 3;
constexpr uint64_t CONFUSION_SEEN_AT_LEAST = 3;
constexpr double CONFUSION_SCORE = 4;
// A word's weight is the square of its score, at most 64.
constexpr double SCORE_LIMIT = 64;
// Weights are drawn in sixteenths.
constexpr double WEIGHT_STEPS = 16;
// One word in this many comes from the queue.
constexpr uint32_t QUEUE_SHARE = 4;
// Keys and pairs named on the console.
constexpr size_t NAMED = 3;
constexpr double NAMED_NEED_AT_LEAST = 0.5;

// How many times `part` exceeds `whole`, less one, between 0 and the limit.
double excess(double part, double whole) {
    if (!(whole > 0) || !std::isfinite(part)) {
        return 0;
    }
    return std::clamp(part / whole - 1, 0.0, NEED_PART_LIMIT);
}

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text;
}

} // namespace

PracticePlan::PracticePlan(std::string language) : language(std::move(language)) {}

void PracticePlan::add(const ResultRecord& record) {
    if (!record.timed() || !wordMode(record.mode) || record.language != language) {
        return;
    }
    keystrokes.add(record);
    stale = true;
}

bool PracticePlan::ready() const {
    return keystrokes.timedAttempts >= PRACTICE_ATTEMPTS_NEEDED;
}

void PracticePlan::weigh() {
    if (!stale) {
        return;
    }
    stale = false;
    weighed = nullptr;
    const double medianKey = keystrokes.allKeys().median();
    const double missRate = keystrokes.askedTotal > 0
                                ? double(keystrokes.missedTotal) / double(keystrokes.askedTotal)
                                : 0;
    for (unsigned c = 0; c < 256; ++c) {
        const KeystrokeAnalysis::Key& key = keystrokes.keys[c];
        keyNeed[c] = 0;
        if (key.asked < KEY_ASKED_AT_LEAST) {
            continue;
        }
        const IntervalHistogram* times = keystrokes.keyHistogram(static_cast<unsigned char>(c));
        if (times != nullptr) {
            keyNeed[c] += excess(times->median(), medianKey);
        }
        keyNeed[c] += excess(double(key.missed) / double(key.asked), missRate);
    }
    for (unsigned pair = 0; pair < 65536; ++pair) {
        pairNeed[pair] = 0;
        const IntervalHistogram* times = keystrokes.pairHistogramOf(pair);
        if (times == nullptr || times->count() < PAIR_TIMED_AT_LEAST) {
            continue;
        }
        pairNeed[pair] =
            excess(times->median(), medianKey) +
            excess(double(keystrokes.pairMissed[pair]) / double(keystrokes.pairAsked[pair]),
                   missRate);
    }
    std::vector<std::pair<uint64_t, unsigned>> counted;
    const size_t periods = keystrokes.periods.size();
    for (unsigned pair = 0; pair < 65536; ++pair) {
        const uint64_t count = keystrokes.confusionCount(pair, 0, periods);
        if (count >= CONFUSION_SEEN_AT_LEAST) {
            counted.emplace_back(count, pair);
        }
    }
    std::stable_sort(counted.begin(), counted.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    confusions.clear();
    for (size_t i = 0; i < counted.size() && i < CONFUSIONS_USED; ++i) {
        confusions.emplace_back(static_cast<unsigned char>(counted[i].second >> 8),
                                static_cast<unsigned char>(counted[i].second & 0xFF));
    }
    queued = keystrokes.queuedWords();
}

double PracticePlan::weightOf(const std::string& word) {
    weigh();
    double score = 1;
    for (size_t i = 0; i < word.size() && score < SCORE_LIMIT; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        score += keyNeed[c];
        if (i > 0) {
            score += pairNeed[unsigned(static_cast<unsigned char>(word[i - 1])) << 8 | c];
        }
    }
    for (const auto& [asked, typed] : confusions) {
        if (word.find(char(asked)) != std::string::npos &&
            word.find(char(typed)) != std::string::npos) {
            score += CONFUSION_SCORE;
        }
    }
    score = std::min(score, SCORE_LIMIT);
    return score * score;
}

const std::vector<std::string>& PracticePlan::queuedWords() {
    weigh();
    return queued;
}

namespace {

// Running sums of the weights of `words`, in sixteenths.
template <class Weigh>
void runningSums(const std::vector<std::string>& words, Weigh&& weigh,
                 std::vector<uint64_t>& sums) {
    sums.resize(words.size());
    uint64_t sum = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        sum += uint64_t(std::lround(weigh(words[i]) * WEIGHT_STEPS));
        sums[i] = sum;
    }
}

// An index drawn in proportion to the weights whose running sums are given:
// a 30-bit number from two draws, scaled to the total. The total stays below
// 2^31 (at most 32768 words of 4096 x 16), so the product fits 64 bits.
size_t weightedDraw(const std::vector<uint64_t>& sums, RandomGenerator& random) {
    const uint64_t high = random.draw();
    const uint64_t number = high << 15 | random.draw();
    const uint64_t point = (number * sums.back()) >> 30;
    const size_t index = size_t(std::upper_bound(sums.begin(), sums.end(), point) - sums.begin());
    return std::min(index, sums.size() - 1);
}

} // namespace

void PracticePlan::weighList(const WordList& words) {
    weigh();
    if (weighed == &words && weighedSize == words.size()) {
        return;
    }
    const auto weight = [this](const std::string& word) { return weightOf(word); };
    runningSums(words, weight, listWeights);
    runningSums(queued, weight, queueWeights);
    weighed = &words;
    weighedSize = words.size();
}

void PracticePlan::drawTarget(const WordList& words, int32_t count, RandomGenerator& random,
                              std::string& target) {
    target.clear();
    if (words.empty()) {
        return;
    }
    weighList(words);
    std::vector<bool> used(queued.size(), false);
    const auto append = [&target](const std::string& text) {
        target.append(text, 0, std::min(text.size(), TARGET_TEXT_LIMIT - target.size()));
    };
    for (int32_t i = 0; i < count; ++i) {
        const std::string* word = nullptr;
        if (random.draw() % QUEUE_SHARE == 0 && !queued.empty()) {
            const size_t pick = weightedDraw(queueWeights, random);
            if (!used[pick]) {
                used[pick] = true;
                word = &queued[pick];
            }
        }
        if (word == nullptr) {
            word = &words[weightedDraw(listWeights, random)];
        }
        append(*word);
        if (i + 1 != count) {
            append(" ");
        }
    }
}

std::string PracticePlan::describe() {
    if (!ready()) {
        return "Practice: too little history to judge yet (" + std::to_string(attempts()) + " of " +
               std::to_string(PRACTICE_ATTEMPTS_NEEDED) +
               " timed word attempts in this language), so words are drawn as usual.";
    }
    weigh();
    std::vector<std::string> aims;
    std::vector<std::pair<double, unsigned>> ranked;
    for (unsigned c = 0; c < 256; ++c) {
        if (keyNeed[c] >= NAMED_NEED_AT_LEAST) {
            ranked.emplace_back(keyNeed[c], c);
        }
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> names;
    for (size_t i = 0; i < ranked.size() && i < NAMED; ++i) {
        names.push_back(characterName(char(ranked[i].second), false));
    }
    if (!names.empty()) {
        aims.push_back((names.size() == 1 ? "the key " : "the keys ") + listed(names));
    }
    ranked.clear();
    for (unsigned pair = 0; pair < 65536; ++pair) {
        if (pairNeed[pair] >= NAMED_NEED_AT_LEAST) {
            ranked.emplace_back(pairNeed[pair], pair);
        }
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    names.clear();
    for (size_t i = 0; i < ranked.size() && i < NAMED; ++i) {
        names.push_back(pairName(ranked[i].second, false));
    }
    if (!names.empty()) {
        aims.push_back((names.size() == 1 ? "the pair " : "the pairs ") + listed(names));
    }
    if (!confusions.empty()) {
        const std::string asked = characterName(char(confusions[0].first), false);
        const std::string typed = characterName(char(confusions[0].second), false);
        aims.push_back("both " + asked + " and " + typed + " (" + typed + " typed for " + asked +
                       ")");
    }
    const std::string queue = std::to_string(queued.size()) +
                              (queued.size() == 1 ? " queued word comes" : " queued words come") +
                              " back.";
    if (aims.empty()) {
        return "Practice: no key stands out, so words are drawn evenly; " + queue;
    }
    return "Practice: words weighted toward " + listed(aims) + "; " + queue;
}

bool loadPracticePlan(const std::string& path, PracticePlan& plan, std::string& error) {
    size_t damaged = 0;
    return readResults(
        path, [&plan](const ResultRecord& record) { plan.add(record); }, damaged, error);
}
