// UTF-8 to and from the UTF-16 of the Win32 wide-character calls, and the
// system's text for an error code.
#pragma once

#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// `wide` receives `text` as UTF-16 when `text` is valid UTF-8 holding at
// least one character beyond ASCII; false (and `wide` empty) otherwise, when
// the narrow calls take the name as it is.
bool widenUtf8(const std::string& text, std::wstring& wide);
// UTF-8 of a UTF-16 text; unpaired surrogates become U+FFFD.
std::string narrowToUtf8(const std::wstring& wide);
// The system's text (UTF-8) for an error code, without its final period; ""
// when the system has none.
std::string systemMessage(DWORD code);
