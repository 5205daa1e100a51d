// The program keeps its texts in the 8-bit Windows-1252 code page, as the
// desktop program stores them; a POSIX terminal speaks UTF-8. These convert
// at the terminal boundary. On Windows the console passes 8-bit text already
// and both are the identity.
#pragma once

#include <string>

// Text typed on the command line to Windows-1252. Characters the code page
// lacks become '?'. Bytes that are not valid UTF-8 are taken as 8-bit text.
std::string terminalToAnsi(const std::string& text);

// Windows-1252 text to the terminal's UTF-8; file names in it that are
// UTF-8 already, as POSIX names are, are kept as they are.
std::string ansiToTerminal(const std::string& text);

// Windows-1252 text from a file or a download, made safe for the terminal:
// control characters, which could drive the terminal, are shown as \xHH
// (line feeds too, unless `keepLineFeeds`), then the rest is converted as by
// ansiToTerminal.
std::string terminalText(const std::string& text, bool keepLineFeeds = false);

// Terminal text (from the command line) with its ASCII control characters
// shown as \xHH, line feeds kept.
std::string escapeControls(const std::string& text);

// Windows-1252 text as a JSON string in UTF-8, quotes included; control
// characters are written as \u escapes.
std::string jsonString(const std::string& text);
