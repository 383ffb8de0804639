// The languages of the word lists: one table, the only place that names
// them.
#pragma once

#include <cstddef>
#include <string>

struct Language {
    // ISO 639-1 code, as --language takes it and the results file keeps it.
    const char* code;
    // Its name in English, and in the language itself (UTF-8).
    const char* name;
    const char* nativeName;
};

// English first (the default), then the others by their English name.
extern const Language LANGUAGES[];
extern const size_t LANGUAGE_COUNT;

inline constexpr const char DEFAULT_LANGUAGE[] = "en";

// The table's entry for `code`, or nullptr when there is none.
const Language* findLanguage(const std::string& code);

// The word list of the language with `code`: "dictionary.dat" for English,
// "dictionary-<code>.dat" for every other.
std::string dictionaryFileName(const std::string& code);

// What --language list prints: one language a line, its code and its name
// (with the native name too when `utf8`).
std::string languageListText(bool utf8);

// "en English, af Afrikaans, ...", for the help.
std::string languageNames();
