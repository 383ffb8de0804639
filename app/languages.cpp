#include "app/languages.h"

const Language LANGUAGES[] = {
    {"en", "English", "English"},
    {"af", "Afrikaans", "Afrikaans"},
    {"sq", "Albanian", "shqip"},
    {"ca", "Catalan", "català"},
    {"da", "Danish", "dansk"},
    {"nl", "Dutch", "Nederlands"},
    {"et", "Estonian", "eesti"},
    {"fi", "Finnish", "suomi"},
    {"fr", "French", "français"},
    {"de", "German", "Deutsch"},
    {"id", "Indonesian", "Bahasa Indonesia"},
    {"it", "Italian", "italiano"},
    {"nb", "Norwegian", "norsk bokmål"},
    {"pt", "Portuguese", "português"},
    {"es", "Spanish", "español"},
    {"sv", "Swedish", "svenska"},
};
const size_t LANGUAGE_COUNT = sizeof LANGUAGES / sizeof LANGUAGES[0];

const Language* findLanguage(const std::string& code) {
    // The list is Bokmål, what most Norwegians write: "no" names it too.
    const std::string wanted = code == "no" ? "nb" : code;
    for (const Language& language : LANGUAGES) {
        if (wanted == language.code)
            return &language;
    }
    return nullptr;
}

std::string dictionaryFileName(const std::string& code) {
    return code == DEFAULT_LANGUAGE ? "dictionary.dat" : "dictionary-" + code + ".dat";
}

std::string languageListText(bool utf8) {
    std::string text;
    for (const Language& language : LANGUAGES) {
        text += std::string(language.code) + "  " + language.name;
        if (utf8 && std::string(language.nativeName) != language.name)
            text += std::string(" (") + language.nativeName + ")";
        text += "\n";
    }
    return text;
}

std::string languageNames() {
    std::string text;
    for (const Language& language : LANGUAGES) {
        text += std::string(text.empty() ? "" : ", ") + language.code + " " + language.name;
    }
    return text;
}
