#include "history/history.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <ostream>

#include "game/scoring.h"
#include "platform/files.h"

const char RESULTS_HEADER[] = "time,mode,words,characters,mismatches,milliseconds,wpm,error_"
                              "percent,target,mistyped,language,source,keystrokes\r\n";
const char RESULTS_HEADER_1_0[] =
    "time,mode,words,characters,mismatches,milliseconds,wpm,error_percent,target,mistyped\r\n";

namespace {

// The columns of 1.0.0, and those of today.
constexpr size_t FIELD_COUNT_1_0 = 10;
constexpr size_t FIELD_COUNT = 13;
// Base-26 digits of the largest interval (2^32 - 1 has seven).
constexpr size_t LONGEST_INTERVAL = 7;

const struct {
    AttemptMode mode;
    const char* name;
} MODE_NAMES[] = {{AttemptMode::Words, "words"},
                  {AttemptMode::Verses, "verses"},
                  {AttemptMode::Practice, "practice"},
                  {AttemptMode::Text, "text"}};

// A language code: two or three lower-case ASCII letters.
bool isLanguageCode(const std::string& text) {
    if (text.size() < 2 || text.size() > 3) {
        return false;
    }
    for (char c : text) {
        if (c < 'a' || c > 'z') {
            return false;
        }
    }
    return true;
}

const char HEX_DIGITS[] = "0123456789ABCDEF";

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int64_t secondsOf(const std::tm& time) {
    return daysFromCivil(time.tm_year + 1900, time.tm_mon + 1, time.tm_mday) * 86400 +
           time.tm_hour * 3600 + time.tm_min * 60 + time.tm_sec;
}

std::string quotedText(const std::string& bytes) {
    std::string field = "\"";
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const bool formula = i == 0 && (c == '=' || c == '+' || c == '-' || c == '@');
        if (c == '"') {
            field += "\"\"";
        } else if (c >= 0x20 && c <= 0x7E && c != '%' && !formula) {
            field += static_cast<char>(c);
        } else {
            field += '%';
            field += HEX_DIGITS[c >> 4];
            field += HEX_DIGITS[c & 15];
        }
    }
    return field + "\"";
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The bytes a text field stands for; false when a '%' is not followed by
// two hex digits.
bool decodeText(const std::string& field, std::string& bytes) {
    if (field.find('%') == std::string::npos) {
        bytes = field;
        return true;
    }
    bytes.clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            bytes += field[i];
            continue;
        }
        if (i + 2 >= field.size()) {
            return false;
        }
        const int high = hexValue(field[i + 1]);
        const int low = hexValue(field[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// Splits one line into its fields by RFC 4180: quoted fields may hold
// commas and doubled quotes. False for a quote in the wrong place.
bool splitFields(const std::string& line, std::vector<std::string>& fields) {
    fields.assign(1, std::string());
    const size_t size = line.size();
    size_t i = 0;
    while (i < size) {
        if (line[i] == ',') {
            fields.emplace_back();
            ++i;
        } else if (line[i] == '"') {
            // A quoted field (a field begins after a comma, so it is empty).
            for (++i;; i += 2) {
                const size_t quote = line.find('"', i);
                if (quote == std::string::npos) {
                    return false;
                }
                fields.back().append(line, i, quote - i);
                i = quote;
                if (i + 1 >= size || line[i + 1] != '"') {
                    break;
                }
                fields.back() += '"';
            }
            ++i;
            if (i < size && line[i] != ',') {
                return false;
            }
        } else {
            // Up to the next comma, without a quote.
            size_t end = line.find(',', i);
            if (end == std::string::npos) {
                end = size;
            }
            if (std::memchr(line.data() + i, '"', end - i) != nullptr) {
                return false;
            }
            fields.back().append(line, i, end - i);
            i = end;
        }
    }
    return true;
}

bool parseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    if (text.empty() || text.size() > 12) {
        return false;
    }
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) {
        return false;
    }
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        magnitude = magnitude * 10 + (text[i] - '0');
    }
    value = text[0] == '-' ? -magnitude : magnitude;
    return value >= low && value <= high;
}

// A number as formatFloat writes it: digits with six decimals, or inf, nan.
bool isNumberText(const std::string& text) {
    if (text == "inf" || text == "-inf" || text == "nan" || text == "-nan") {
        return true;
    }
    const size_t point = text.find('.');
    if (point == std::string::npos || text.size() - point != 7) {
        return false;
    }
    size_t digits = 0;
    for (size_t i = text[0] == '-' ? 1 : 0; i < text.size(); ++i) {
        if (i != point && (text[i] < '0' || text[i] > '9')) {
            return false;
        }
        digits += i != point;
    }
    return digits > 6;
}

// Whether the timing has one interval for each character of the target and
// marks exactly the mistyped characters.
bool consistentTiming(const ResultRecord& record) {
    if (record.intervals.size() != record.targetText.size() ||
        record.mistypedAt.size() != record.mistyped.size()) {
        return false;
    }
    for (size_t i = 0; i < record.mistypedAt.size(); ++i) {
        const uint32_t at = record.mistypedAt[i];
        if (at >= record.targetText.size() || record.targetText[at] != record.mistyped[i].first ||
            record.mistyped[i].second == record.mistyped[i].first) {
            return false;
        }
    }
    return true;
}

// "2026-12-07T18:23:06+01:00"
bool isTimeText(const std::string& text) {
    static const char PATTERN[] = "dddd-dd-ddTdd:dd:dd+dd:dd";
    if (text.size() != sizeof PATTERN - 1) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const char want = PATTERN[i];
        const char c = text[i];
        const bool ok = want == 'd'   ? c >= '0' && c <= '9'
                        : want == '+' ? c == '+' || c == '-'
                                      : c == want;
        if (!ok) {
            return false;
        }
    }
    return true;
}

// The language, source and keystrokes columns. A damaged keystrokes field
// loses only the timing; the rest of the record stands.
bool parseLaterFields(const std::vector<std::string>& fields, ResultRecord& parsed) {
    const std::string& language = fields[10];
    if (!language.empty() && (!wordMode(parsed.mode) || !isLanguageCode(language))) {
        return false;
    }
    parsed.language = language;
    if (!decodeText(fields[11], parsed.source) ||
        (!parsed.source.empty() && parsed.mode != AttemptMode::Text)) {
        return false;
    }
    if (!decodeKeystrokes(fields[12], parsed.intervals, parsed.mistypedAt) ||
        !consistentTiming(parsed)) {
        parsed.intervals.clear();
        parsed.mistypedAt.clear();
    }
    return true;
}

} // namespace

const char* modeName(AttemptMode mode) {
    for (const auto& entry : MODE_NAMES) {
        if (entry.mode == mode) {
            return entry.name;
        }
    }
    return "words";
}

std::string encodeKeystrokes(const std::vector<uint32_t>& intervals,
                             const std::vector<uint32_t>& mistypedAt) {
    std::string field;
    field.reserve(intervals.size() * 3);
    size_t next = 0;
    for (size_t i = 0; i < intervals.size(); ++i) {
        if (next < mistypedAt.size() && mistypedAt[next] == i) {
            field += '*';
            ++next;
        }
        char digits[LONGEST_INTERVAL];
        size_t count = 0;
        uint32_t value = intervals[i];
        do {
            digits[count++] = char(value % 26);
            value /= 26;
        } while (value > 0);
        while (count > 1) {
            field += char('A' + digits[--count]);
        }
        field += char('a' + digits[0]);
    }
    return field;
}

bool decodeKeystrokes(const std::string& field, std::vector<uint32_t>& intervals,
                      std::vector<uint32_t>& mistypedAt) {
    intervals.clear();
    intervals.reserve(field.size() / 2);
    mistypedAt.clear();
    uint64_t value = 0;
    size_t digits = 0;
    bool marked = false;
    for (const char c : field) {
        if (c == '*' && digits == 0 && !marked) {
            marked = true;
        } else if (c >= 'A' && c <= 'Z' && digits + 1 < LONGEST_INTERVAL) {
            value = value * 26 + uint64_t(c - 'A');
            ++digits;
        } else if (c >= 'a' && c <= 'z') {
            value = value * 26 + uint64_t(c - 'a');
            if (value > UINT32_MAX) {
                return false;
            }
            if (marked) {
                mistypedAt.push_back(uint32_t(intervals.size()));
            }
            intervals.push_back(uint32_t(value));
            value = 0;
            digits = 0;
            marked = false;
        } else {
            return false;
        }
    }
    return digits == 0 && !marked;
}

ResultRecord resultRecord(const CompletedAttempt& attempt, std::time_t now) {
    ResultRecord record;
    record.time = localTimeText(now);
    record.mode = attempt.verseMode ? AttemptMode::Verses : AttemptMode::Words;
    record.wordCount = attempt.verseMode ? 0 : attempt.wordCount;
    record.language = attempt.verseMode ? "" : "en";
    record.targetText = attempt.targetText;
    record.mismatches = mismatchCount(attempt.typedText, attempt.targetText);
    record.milliseconds = static_cast<int32_t>(attempt.endTime - attempt.startTime);
    record.speed =
        formatFloat(typingSpeed(attempt.targetText.size(), attempt.startTime, attempt.endTime));
    record.errorPercentage =
        formatFloat(errorPercentage(record.mismatches, attempt.targetText.size()));
    for (size_t i = 0; i < attempt.typedText.size() && i < attempt.targetText.size(); ++i) {
        if (attempt.typedText[i] != attempt.targetText[i]) {
            record.mistyped.emplace_back(attempt.targetText[i], attempt.typedText[i]);
            record.mistypedAt.push_back(static_cast<uint32_t>(i));
        }
    }
    if (attempt.keyTimes.size() == attempt.targetText.size()) {
        // A press stamped before the one it follows (or before the start)
        // counts 0 ms, and the next one counts from the later of the two.
        uint32_t previous = attempt.startTime;
        for (const uint32_t time : attempt.keyTimes) {
            const uint32_t interval = time - previous;
            if (interval < 0x80000000u) {
                record.intervals.push_back(interval);
                previous = time;
            } else {
                record.intervals.push_back(0);
            }
        }
    }
    return record;
}

std::string localTimeText(std::time_t now) {
    // The program has one thread: the C library's shared results are safe here.
    const std::tm local = *std::localtime(&now);
    const std::tm utc = *std::gmtime(&now);
    const int64_t offset = (secondsOf(local) - secondsOf(utc)) / 60;
    const int64_t minutes = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', int(minutes / 60),
                  int(minutes % 60));
    return text;
}

namespace {

// The ten columns of 1.0.0, without a line end.
std::string firstColumns(const ResultRecord& record) {
    std::string mistyped;
    for (const auto& pair : record.mistyped) {
        if (!mistyped.empty()) {
            mistyped += ' ';
        }
        mistyped += pair.first;
        mistyped += '>';
        mistyped += pair.second;
    }
    return record.time + "," + modeName(record.mode) + "," +
           (wordMode(record.mode) ? std::to_string(record.wordCount) : "") + "," +
           std::to_string(record.targetText.size()) + "," + std::to_string(record.mismatches) +
           "," + std::to_string(record.milliseconds) + "," + record.speed + "," +
           record.errorPercentage + "," + quotedText(record.targetText) + "," +
           quotedText(mistyped);
}

// Where a line's text ends: before its LF or CR LF, if it has one.
size_t lineEnd(const std::string& line) {
    size_t end = line.size();
    if (end > 0 && line[end - 1] == '\n') {
        --end;
    }
    if (end > 0 && line[end - 1] == '\r') {
        --end;
    }
    return end;
}

} // namespace

std::string formatRecord(const ResultRecord& record) {
    return firstColumns(record) + "," + (wordMode(record.mode) ? record.language : "") + "," +
           quotedText(record.mode == AttemptMode::Text ? record.source : "") + "," +
           encodeKeystrokes(record.intervals, record.mistypedAt) + "\r\n";
}

std::string formatOldRecord(const ResultRecord& record) {
    return firstColumns(record) + "\r\n";
}

bool parseRecord(const std::string& line, ResultRecord& record) {
    const size_t end = lineEnd(line);
    std::vector<std::string> fields;
    // The columns of 1.0.0, or today's; fields after those are left to later
    // versions.
    if (!splitFields(line.substr(0, end), fields) ||
        (fields.size() != FIELD_COUNT_1_0 && fields.size() < FIELD_COUNT)) {
        return false;
    }
    ResultRecord parsed;
    int64_t characters = 0;
    int64_t number = 0;
    parsed.time = fields[0];
    if (!isTimeText(parsed.time)) {
        return false;
    }
    const auto mode = std::find_if(std::begin(MODE_NAMES), std::end(MODE_NAMES),
                                   [&](const auto& entry) { return fields[1] == entry.name; });
    if (mode == std::end(MODE_NAMES)) {
        return false;
    }
    parsed.mode = mode->mode;
    if (wordMode(parsed.mode) && parseInteger(fields[2], 0, INT32_MAX, number)) {
        parsed.wordCount = static_cast<int32_t>(number);
    } else if (wordMode(parsed.mode) || !fields[2].empty()) {
        return false;
    }
    if (!parseInteger(fields[3], 1, INT32_MAX, characters) ||
        !parseInteger(fields[4], 0, characters, number)) {
        return false;
    }
    parsed.mismatches = static_cast<int32_t>(number);
    if (!parseInteger(fields[5], INT32_MIN, INT32_MAX, number)) {
        return false;
    }
    parsed.milliseconds = static_cast<int32_t>(number);
    parsed.speed = fields[6];
    parsed.errorPercentage = fields[7];
    if (!isNumberText(parsed.speed) || !isNumberText(parsed.errorPercentage)) {
        return false;
    }
    std::string mistyped;
    if (!decodeText(fields[8], parsed.targetText) || !decodeText(fields[9], mistyped) ||
        parsed.targetText.size() != size_t(characters)) {
        return false;
    }
    // Pairs of target>typed, one space between pairs.
    const size_t pairs = (mistyped.size() + 1) / 4;
    if (mistyped.size() != (pairs == 0 ? 0 : pairs * 4 - 1) || pairs != size_t(parsed.mismatches)) {
        return false;
    }
    for (size_t i = 0; i < pairs; ++i) {
        if (mistyped[i * 4 + 1] != '>' || (i + 1 < pairs && mistyped[i * 4 + 3] != ' ')) {
            return false;
        }
        parsed.mistyped.emplace_back(mistyped[i * 4], mistyped[i * 4 + 2]);
    }
    if (fields.size() >= FIELD_COUNT && !parseLaterFields(fields, parsed)) {
        return false;
    }
    if (wordMode(parsed.mode) && parsed.language.empty()) {
        // 1.0.0 had only the English list.
        parsed.language = "en";
    }
    record = std::move(parsed);
    return true;
}

bool isResultLine(const std::string& line) {
    return !line.empty() && line != "\r" && line.rfind("time,mode,", 0) != 0;
}

size_t parseRecords(const std::string& text, std::vector<ResultRecord>& records) {
    size_t damaged = 0;
    size_t start = 0;
    ResultRecord record;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!isResultLine(line)) {
            continue;
        }
        if (parseRecord(line, record)) {
            records.push_back(std::move(record));
        } else {
            ++damaged;
        }
    }
    return damaged;
}

std::string upgradedLine(const std::string& line) {
    const size_t end = lineEnd(line);
    std::vector<std::string> fields;
    if (!splitFields(line.substr(0, end), fields) || fields.size() != FIELD_COUNT_1_0) {
        return line;
    }
    return line.substr(0, end) + std::string(FIELD_COUNT - FIELD_COUNT_1_0, ',') + line.substr(end);
}

void ResultsUpgrade::operator()(const char* bytes, size_t size, bool end, std::string& out) {
    const char* p = bytes;
    const char* const stop = bytes + size;
    while (p != stop) {
        const char* feed = static_cast<const char*>(std::memchr(p, '\n', size_t(stop - p)));
        const char* const next = feed != nullptr ? feed + 1 : stop;
        // The header is looked at whole, whatever the limit.
        const size_t limit = first ? std::max(longest, sizeof RESULTS_HEADER_1_0) : longest;
        if (!overlong && pending.size() + size_t(next - p) > limit) {
            out += pending;
            pending.clear();
            overlong = true;
        }
        if (overlong) {
            out.append(p, next);
        } else {
            pending.append(p, next);
        }
        if (feed != nullptr) {
            finishLine(out);
        }
        p = next;
    }
    if (end) {
        finishLine(out);
    }
}

void ResultsUpgrade::finishLine(std::string& out) {
    if (!overlong && (first || !pending.empty())) {
        out += first && pending == RESULTS_HEADER_1_0 ? std::string(RESULTS_HEADER)
                                                      : upgradedLine(pending);
    }
    pending.clear();
    overlong = false;
    first = false;
}

void ResultsHistory::keepIn(std::string file) {
    keeping = true;
    path = std::move(file);
}

void ResultsHistory::record(const ResultRecord& result) {
    if (!keeping) {
        return;
    }
    std::string error;
    FileUpgrade upgrade;
    upgrade.oldFirstLine = RESULTS_HEADER_1_0;
    upgrade.convert = ResultsUpgrade();
    upgrade.backupSuffix = "-1.0.0";
    upgrade.lineInOldFormat = formatOldRecord(result);
    if (path.empty()) {
        error = "cannot record results: no home folder to keep them in";
    } else if (!appendToFile(path, RESULTS_HEADER, formatRecord(result), error, &upgrade)) {
        error = "cannot record the result in \"" + path + "\": " + error;
    } else {
        if (!upgrade.notMade.empty() && !warnedUpgrade) {
            warnedUpgrade = true;
            warnings << "tapquill: cannot upgrade \"" << path << "\" to this version's columns ("
                     << upgrade.notMade << "): results are added in the old ones until it can be"
                     << std::endl;
        }
        return;
    }
    if (!warned) {
        warned = true;
        warnings << "tapquill: " << error << std::endl;
    }
}
