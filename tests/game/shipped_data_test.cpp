#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/word_sources.h"
#include "tests/support/test_files.h"

// The data files the game ships with, read by the game's own readers.
namespace {

const std::string dataFolder = TAPQUILL_DATA_DIR;

TEST(ShippedData, WordListHoldsCommonLowerCaseWords) {
    WordList words;
    std::string error;
    ASSERT_TRUE(loadDictionary(words, error, dataFolder + "/dictionary.dat")) << error;
    EXPECT_EQ(words.size(), 10688u);
    // Only the first 32768 entries can ever be drawn.
    EXPECT_LE(words.size(), 32768u);
    for (const std::string& word : words) {
        ASSERT_FALSE(word.empty());
        for (char c : word)
            ASSERT_TRUE(c >= 'a' && c <= 'z') << word;
    }
    // Shuffled, so that no letter range clumps together.
    EXPECT_FALSE(std::is_sorted(words.begin(), words.end()));
}

TEST(ShippedData, VerseFileHoldsEveryVerseWithoutItsReference) {
    WordList verses;
    std::string error;
    ASSERT_TRUE(loadVerses(verses, error, dataFolder + "/bible.dat")) << error;
    EXPECT_EQ(verses.size(), 31102u);
    EXPECT_EQ(verses.front(), "In the beginning God created the heaven and the earth.");
    EXPECT_EQ(verses.back().substr(verses.back().size() - 5), "Amen.");
    for (const std::string& verse : verses) {
        ASSERT_FALSE(verse.empty());
        ASSERT_EQ(verse.find_first_of("0123456789\r\n"), std::string::npos) << verse;
    }
}

// What each language's word list may hold. The strings are UTF-8 here; the
// files hold the same letters as single Latin-1 bytes, the glyph sheet's codes.
struct WordListRules {
    const char* code;
    const char* letters;    // beyond a to z
    const char* common;     // letters of everyday words: each is in some word
    const char* oneLetter;  // the language's one-letter words
    const char* unsuitable; // a sample of words the lists must not hold
};

// French words with accents other than é come from a second source, the
// Littré (data/README.md): à, âme, ça, très, île, côté, où, sûr.
const WordListRules wordListRules[] = {
    {"af", "áéèêëíïîóôöúûü", "êëïô", "u", "fok kak poes sexy"},
    {"ca", "àçéèíïòóúü", "àçéèíïòóúü", "a i o u", "merda collons puta sexe"},
    {"da", "æøåé", "æøå", "i å", "lort fisse pik sex"},
    {"de", "äöüß", "äöüß", "", "scheiße arsch ficken sex"},
    {"es", "áéíñóúü", "áéíñóú", "a e o u y", "mierda puta joder sexo"},
    {"et", "äöõü", "äöõü", "", "türa perse kurat seks"},
    {"fi", "äö", "äö", "", "vittu paska perkele seksi"},
    {"fr", "àâæçéèêëîïôùûüÿ", "àâçèéêîôùû", "a à y", "merde putain salope sexe nègres"},
    {"id", "", "", "", "bangsat bajingan sialan seks"},
    {"it", "àèéìíòóùú", "àèéìòù", "a e è i o", "cazzo merda stronzo sesso"},
    {"nb", "æøåéóòô", "æøå", "i å", "faen jævla kuk sex"},
    {"nl", "éèêëïöü", "éëï", "u", "kut klootzak neuken seks"},
    {"pt", "áâãàçéêíóôõú", "áâãàçéêíóôõú", "a à e é o", "merda porra caralho sexo"},
    {"sq", "çë", "çë", "a e i o u", "kurvë mut seks"},
    {"sv", "åäöé", "åäö", "i å ö", "fitta knulla jävla porr"},
};

// Two-byte UTF-8 sequences of U+0080 to U+00FF become their Latin-1 byte.
std::string latin1(const std::string& utf8) {
    std::string bytes;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            bytes += static_cast<char>(((c & 0x03) << 6) | (utf8[++i] & 0x3F));
        } else {
            bytes += static_cast<char>(c);
        }
    }
    return bytes;
}

std::set<std::string> splitWords(const std::string& utf8) {
    std::istringstream stream(latin1(utf8));
    std::set<std::string> words;
    for (std::string word; stream >> word;)
        words.insert(word);
    return words;
}

TEST(ShippedData, EveryWordListHasItsRules) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("dictionary-", 0) == 0)
            files.insert(name);
    }
    std::set<std::string> expected;
    for (const WordListRules& rules : wordListRules)
        expected.insert(std::string("dictionary-") + rules.code + ".dat");
    // English is dictionary.dat itself.
    EXPECT_EQ(files, expected);
}

TEST(ShippedData, WordListsHoldLowerCaseLatin1WordsOfTheirLanguage) {
    for (const WordListRules& rules : wordListRules) {
        SCOPED_TRACE(rules.code);
        const std::string path = dataFolder + "/dictionary-" + rules.code + ".dat";
        const std::string bytes = fileContents(path);
        ASSERT_FALSE(bytes.empty()) << path;
        ASSERT_EQ(bytes.back(), '\n');

        const std::string letters = "abcdefghijklmnopqrstuvwxyz" + latin1(rules.letters);
        const std::set<std::string> oneLetter = splitWords(rules.oneLetter);
        const std::set<std::string> unsuitable = splitWords(rules.unsuitable);
        std::set<std::string> seen;
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string word = bytes.substr(start, end - start);
            ASSERT_FALSE(word.empty()) << "empty line after " << lines.size() << " words";
            ASSERT_EQ(word.find_first_not_of(letters), std::string::npos) << word;
            if (word.size() == 1) {
                EXPECT_EQ(oneLetter.count(word), 1u) << word;
            }
            EXPECT_TRUE(seen.insert(word).second) << "repeated: " << word;
            EXPECT_EQ(unsuitable.count(word), 0u) << word;
            lines.push_back(word);
        }
        EXPECT_GE(lines.size(), 3000u);
        EXPECT_LE(lines.size(), 10000u);
        // Shuffled like the English list, so that no letter range clumps together.
        EXPECT_FALSE(std::is_sorted(lines.begin(), lines.end()));
        // The language's common letters beyond a to z are in use: the file is
        // not plain ASCII, nor UTF-8 (whose lead bytes are capitals in Latin-1),
        // and no accent was lost on the way from the source.
        const std::string common = rules.common; // two UTF-8 bytes a letter
        for (size_t i = 0; i + 1 < common.size(); i += 2) {
            const std::string letter = common.substr(i, 2);
            EXPECT_NE(bytes.find(latin1(letter)), std::string::npos) << "no word with " << letter;
        }

        // The game reads every word as it is written.
        WordList words;
        std::string error;
        ASSERT_TRUE(loadDictionary(words, error, path)) << error;
        EXPECT_EQ(words, lines);
    }
}

} // namespace
