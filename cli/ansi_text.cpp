#include "cli/ansi_text.h"

#ifndef _WIN32
#include "platform/cp1252.h"
#endif

std::string terminalToAnsi(const std::string& text)
{
#ifdef _WIN32
    return text;
#else
    return platform::cp1252::isUtf8(text) ? platform::cp1252::fromUtf8(text) : text;
#endif
}

std::string ansiToTerminal(const std::string& text)
{
#ifdef _WIN32
    return text;
#else
    return platform::cp1252::toUtf8(text);
#endif
}
