#include "history/keystroke_analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

void addSaturating(uint32_t& counter, uint64_t amount) {
    counter = uint32_t(std::min<uint64_t>(uint64_t(counter) + amount, UINT32_MAX));
}

} // namespace

void IntervalHistogram::add(uint32_t milliseconds) {
    uint32_t& bin = bins[std::min(milliseconds, LONGEST)];
    if (bin == UINT32_MAX) {
        // Halving every bin keeps the shape, and so the median.
        total = 0;
        for (uint32_t& each : bins) {
            each /= 2;
            total += each;
        }
    }
    ++bin;
    ++total;
}

void IntervalHistogram::add(const IntervalHistogram& other) {
    // Sums too large for a bin halve every bin as often as it takes.
    uint64_t most = 0;
    for (uint32_t value = 0; value <= LONGEST; ++value) {
        most = std::max(most, uint64_t(bins[value]) + other.bins[value]);
    }
    unsigned shift = 0;
    while ((most >> shift) > UINT32_MAX) {
        ++shift;
    }
    total = 0;
    for (uint32_t value = 0; value <= LONGEST; ++value) {
        bins[value] = uint32_t((uint64_t(bins[value]) + other.bins[value]) >> shift);
        total += bins[value];
    }
}

uint32_t IntervalHistogram::valueAt(uint64_t rank) const {
    uint64_t seen = 0;
    for (uint32_t value = 0; value <= LONGEST; ++value) {
        seen += bins[value];
        if (seen > rank) {
            return value;
        }
    }
    return LONGEST;
}

double IntervalHistogram::median() const {
    if (total == 0) {
        return 0;
    }
    return (double(valueAt((total - 1) / 2)) + double(valueAt(total / 2))) / 2;
}

void RunningMedian::add(uint32_t value) {
    const uint32_t bin = std::min(value, IntervalHistogram::LONGEST);
    ++bins[bin];
    ++total;
    if (total == 1) {
        middle = bin;
        below = 0;
        return;
    }
    if (bin < middle) {
        ++below;
    }
    // The lower middle value has rank (total - 1) / 2: move the bin that
    // holds it until it does.
    const uint64_t rank = (total - 1) / 2;
    while (below > rank) {
        --middle;
        below -= bins[middle];
    }
    while (below + bins[middle] <= rank) {
        below += bins[middle];
        ++middle;
    }
}

double consistencyOf(double sum, double squares, double count) {
    const double mean = sum / count;
    if (!(mean > 0)) {
        return 100; // every key at the same moment: even, if nothing else
    }
    const double variance = std::max(0.0, squares / count - mean * mean);
    const double spread = std::sqrt(variance) / mean;
    return std::clamp(100 * (1 - spread), 0.0, 100.0);
}

double consistencyOf(const std::vector<uint32_t>& intervals) {
    if (intervals.size() < 3) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    double sum = 0;
    double squares = 0;
    for (size_t i = 1; i < intervals.size(); ++i) {
        sum += double(intervals[i]);
        squares += double(intervals[i]) * double(intervals[i]);
    }
    return consistencyOf(sum, squares, double(intervals.size() - 1));
}

KeystrokeAnalysis::KeystrokeAnalysis() = default;

IntervalHistogram* KeystrokeAnalysis::newHistogram() {
    histograms.emplace_back();
    return &histograms.back();
}

const IntervalHistogram* KeystrokeAnalysis::keyHistogram(unsigned char c) const {
    return keys[c].histogram;
}

IntervalHistogram KeystrokeAnalysis::allKeys() const {
    IntervalHistogram all;
    for (const Key& key : keys) {
        if (key.histogram != nullptr) {
            all.add(*key.histogram);
        }
    }
    return all;
}

const IntervalHistogram* KeystrokeAnalysis::pairHistogramOf(unsigned pair) const {
    return pairHistogram[pair & 0xFFFF];
}

KeystrokeAnalysis::Period& KeystrokeAnalysis::currentPeriod() {
    if (!periods.empty() && periods.back().attempts < periodLength) {
        return periods.back();
    }
    if (periods.size() == PERIOD_LIMIT) {
        // Every period full: join them two by two into periods twice as long.
        for (size_t i = 0; i < PERIOD_LIMIT / 2; ++i) {
            Period& into = periods[i];
            if (i > 0) {
                into = std::move(periods[2 * i]);
            }
            Period& from = periods[2 * i + 1];
            into.attempts += from.attempts;
            for (size_t c = 0; c < 256; ++c) {
                into.asked[c] += from.asked[c];
            }
            if (into.confusions.empty()) {
                into.confusions.swap(from.confusions);
            } else if (!from.confusions.empty()) {
                for (size_t k = 0; k < into.confusions.size(); ++k) {
                    addSaturating(into.confusions[k], from.confusions[k]);
                }
            }
        }
        periods.resize(PERIOD_LIMIT / 2);
        periodLength *= 2;
    }
    periods.emplace_back();
    return periods.back();
}

void KeystrokeAnalysis::add(const ResultRecord& record) {
    // A record read from the file has timing that fits it, or none; one made
    // otherwise is held to the same.
    const bool fits = record.intervals.size() == record.targetText.size() &&
                      std::all_of(record.mistypedAt.begin(), record.mistypedAt.end(),
                                  [&](uint32_t at) { return at < record.targetText.size(); });
    if (!record.timed() || !fits) {
        ++untimedAttempts;
        return;
    }
    ++timedAttempts;
    if (wordMode(record.mode)) {
        const double speed = std::strtod(record.speed.c_str(), nullptr);
        if (std::isfinite(speed)) {
            const bool practice = record.mode == AttemptMode::Practice;
            ++(practice ? practiceAttempts : otherWordAttempts);
            (practice ? practiceSpeedSum : otherWordSpeedSum) += speed;
        }
    }

    const std::string& target = record.targetText;
    const std::vector<uint32_t>& intervals = record.intervals;
    const size_t length = target.size();
    wrong.assign(length, 0);
    for (uint32_t at : record.mistypedAt) {
        wrong[at] = 1;
    }

    Period& period = currentPeriod();
    ++period.attempts;
    // The consistency's sums, of the intervals after the first.
    double sum = 0;
    double squares = 0;
    unsigned previous = 0;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(target[i]);
        const uint32_t interval = intervals[i];
        Key& key = keys[c];
        ++key.asked;
        ++period.asked[c];
        const unsigned pair = previous << 8 | c;
        previous = c;
        if (i == 0) {
            key.missed += wrong[0];
            continue;
        }
        sum += double(interval);
        squares += double(interval) * double(interval);
        ++pairAsked[pair];
        if (wrong[i]) {
            ++key.missed;
            ++pairMissed[pair];
            continue;
        }
        if (key.histogram == nullptr) {
            key.histogram = newHistogram();
        }
        key.histogram->add(interval);
        if (wrong[i - 1]) {
            continue;
        }
        IntervalHistogram*& times = pairHistogram[pair];
        if (times == nullptr && timedPairs < TIMED_PAIR_LIMIT) {
            times = newHistogram();
            ++timedPairs;
        }
        if (times != nullptr) {
            times->add(interval);
        }
    }
    askedTotal += length;
    missedTotal += record.mistypedAt.size();
    if (!record.mistyped.empty()) {
        if (period.confusions.empty()) {
            period.confusions.assign(65536, 0);
        }
        for (const auto& mistake : record.mistyped) {
            const unsigned pair = unsigned(static_cast<unsigned char>(mistake.first)) << 8 |
                                  static_cast<unsigned char>(mistake.second);
            addSaturating(period.confusions[pair], 1);
        }
    }

    if (length >= 3) {
        consistencies.push_back(consistencyOf(sum, squares, double(length - 1)));
        if (consistencies.size() > 20) {
            consistencies.pop_front();
        }
    }
    addWords(record, wrong);
    last = record;
}

void KeystrokeAnalysis::addWords(const ResultRecord& record, const std::vector<uint8_t>& wrong) {
    const std::string& target = record.targetText;
    const bool judged = wordMode(record.mode);
    size_t start = 0;
    while (start < target.size()) {
        size_t end = target.find(' ', start);
        if (end == std::string::npos) {
            end = target.size();
        }
        const size_t length = end - start;
        if (length > 0 && length <= LONGEST_FOLLOWED_WORD) {
            word.assign(target, start, length);
            bool mistyped = false;
            uint64_t milliseconds = 0;
            for (size_t i = start; i < end; ++i) {
                mistyped = mistyped || wrong[i];
                if (i > start) {
                    milliseconds += record.intervals[i];
                }
            }
            auto found = words.find(word);
            if (found == words.end()) {
                if (words.size() >= FOLLOWED_WORD_LIMIT) {
                    forgetRareWords();
                }
                found = words.emplace(word, Word()).first;
            }
            Word& stats = found->second;
            ++stats.seen;
            if (mistyped) {
                ++stats.mistyped;
            } else if (length > 1) {
                ++stats.clean;
                stats.cleanMilliseconds += double(milliseconds);
            }
            if (judged) {
                judgeWord(stats, word, mistyped, milliseconds, length, record.time);
            }
        }
        start = end + 1;
    }
}

void KeystrokeAnalysis::forgetRareWords() {
    // Forget the words seen at most n times, with n as small as frees a
    // quarter of the room; queued words stay.
    std::vector<uint64_t> seen;
    seen.reserve(words.size());
    for (const auto& entry : words) {
        if (!entry.second.queued) {
            seen.push_back(entry.second.seen);
        }
    }
    if (seen.empty()) {
        return;
    }
    std::nth_element(seen.begin(), seen.begin() + seen.size() / 4, seen.end());
    const uint64_t most = seen[seen.size() / 4];
    for (auto it = words.begin(); it != words.end();) {
        const bool forget = !it->second.queued && it->second.seen <= most;
        it = forget ? words.erase(it) : std::next(it);
    }
}

void KeystrokeAnalysis::judgeWord(Word& stats, const std::string& text, bool mistyped,
                                  uint64_t milliseconds, size_t length, const std::string& time) {
    ++wordOccurrences;
    bool slow = false;
    if (length > 1 && !mistyped) {
        const uint64_t pace = milliseconds / (length - 1);
        slow = wordPace.count() >= WORDS_BEFORE_JUDGING &&
               double(pace) > SLOW_WORD_FACTOR * double(wordPace.median());
        wordPace.add(uint32_t(std::min<uint64_t>(pace, UINT32_MAX)));
    }
    if (mistyped || slow) {
        stats.cleanRun = 0;
        stats.since = wordOccurrences;
        if (!stats.queued) {
            if (queueSize >= QUEUE_LIMIT) {
                trimQueue();
            }
            stats.queued = true;
            ++queueSize;
        }
        return;
    }
    if (!stats.queued || ++stats.cleanRun < CLEAN_RUN_TO_LEAVE) {
        return;
    }
    stats.queued = false;
    stats.cleanRun = 0;
    --queueSize;
    leftQueue.push_back({text, time});
    if (leftQueue.size() > LEFT_QUEUE_KEPT) {
        leftQueue.pop_front();
    }
}

void KeystrokeAnalysis::trimQueue() {
    // The quarter queued longest ago leaves, unpractised.
    std::vector<uint64_t> since;
    since.reserve(queueSize);
    for (const auto& entry : words) {
        if (entry.second.queued) {
            since.push_back(entry.second.since);
        }
    }
    if (since.empty()) {
        return;
    }
    std::nth_element(since.begin(), since.begin() + since.size() / 4, since.end());
    const uint64_t oldest = since[since.size() / 4];
    for (auto& entry : words) {
        if (entry.second.queued && entry.second.since <= oldest) {
            entry.second.queued = false;
            entry.second.cleanRun = 0;
            --queueSize;
        }
    }
}

std::vector<std::string> KeystrokeAnalysis::queuedWords() const {
    std::vector<std::pair<uint64_t, std::string>> order;
    order.reserve(queueSize);
    for (const auto& entry : words) {
        if (entry.second.queued) {
            order.emplace_back(entry.second.since, entry.first);
        }
    }
    std::sort(order.begin(), order.end());
    std::vector<std::string> list;
    list.reserve(order.size());
    for (auto& entry : order) {
        list.push_back(std::move(entry.second));
    }
    return list;
}

uint64_t KeystrokeAnalysis::confusionCount(unsigned pair, size_t from, size_t to) const {
    uint64_t count = 0;
    for (size_t i = from; i < to && i < periods.size(); ++i) {
        if (!periods[i].confusions.empty()) {
            count += periods[i].confusions[pair & 0xFFFF];
        }
    }
    return count;
}

uint64_t KeystrokeAnalysis::askedCount(unsigned char c, size_t from, size_t to) const {
    uint64_t count = 0;
    for (size_t i = from; i < to && i < periods.size(); ++i) {
        count += periods[i].asked[c];
    }
    return count;
}

size_t KeystrokeAnalysis::halfway() const {
    // The period boundary nearest to half the attempts.
    uint64_t before = 0;
    size_t best = 0;
    uint64_t bestDistance = UINT64_MAX;
    for (size_t i = 0; i <= periods.size(); ++i) {
        const uint64_t twice = 2 * before;
        const uint64_t distance =
            twice > timedAttempts ? twice - timedAttempts : timedAttempts - twice;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
        if (i < periods.size()) {
            before += periods[i].attempts;
        }
    }
    return best;
}
