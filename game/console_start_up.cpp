#include "game/console_start_up.h"

#include <istream>
#include <limits>
#include <ostream>

int32_t answerValue(const std::string& answer) {
    size_t i = 0;
    bool negative = false;
    if (i < answer.size() && (answer[i] == '+' || answer[i] == '-')) {
        negative = answer[i] == '-';
        ++i;
    }
    // Accumulate towards the sign so that the most negative value fits.
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min())
                                   : int64_t(std::numeric_limits<int32_t>::max());
    int64_t value = 0;
    for (; i < answer.size() && answer[i] >= '0' && answer[i] <= '9'; ++i) {
        value = value * 10 + (answer[i] - '0');
        if (value >= limit) {
            value = limit;
            // Further digits cannot bring it back in range.
            break;
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

bool consoleStartUp(GameState& game, std::istream& in, std::ostream& out, DataFileFinder find,
                    std::string& error, const std::string& dictionaryFile) {
    out << CONSOLE_PROMPT;
    out.flush();
    std::string answer;
    in >> answer;
    return answerStartUp(game, answer, find, error, dictionaryFile);
}

bool answerStartUp(GameState& game, const std::string& answer, DataFileFinder find,
                   std::string& error, const std::string& dictionaryFile) {
    const int32_t value = answerValue(answer);
    game.wordCount = value > MAX_WORD_COUNT ? MAX_WORD_COUNT : value;
    std::string path;
    if (!answer.empty() && answer[0] >= '0' && answer[0] <= '9')
        return find(dictionaryFile, path, error) && loadDictionary(game.words, error, path);
    game.verseMode = true;
    return find(VERSE_FILE, path, error) && loadVerses(game.words, error, path);
}
