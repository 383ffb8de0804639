#include "platform/console.h"

#include <clocale>

#include <langinfo.h>
#include <strings.h>

bool useUtf8Output() {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr &&
           (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "UTF8") == 0);
}

bool consoleClosesWithProgram() {
    return false;
}
