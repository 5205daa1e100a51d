// Text constants shared by the whole program.
#pragma once

// The window caption, the caption of every message box, the first line of
// the About box and the agent name of the download.
inline constexpr char kAppTitle[] = "Zarnek Wendrix";
// The program version shown in the About box and logged as "Ver: %s".
inline constexpr char kVersionText[] = "1.4.1.12";
