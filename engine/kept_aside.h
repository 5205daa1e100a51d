// A file in the way of one the run must write, which may hold bytes that
// exist nowhere else, is never overwritten: it is first kept beside itself
// under a name nothing has ("etrex.org" becomes "etrex.1.org"), and the
// program never deletes what it kept.
#pragma once

#include <string>

// The most numbers tried: "NAME.1.EXT" to "NAME.999.EXT".
inline constexpr int kMostKeptAside = 999;

// The name `path` is kept under: its number one past the highest that a
// file, folder or link beside it has, so that the latest kept has the
// highest number. Empty when 999 is taken.
std::string keptAsideName(const std::string& path);

// Moves `path` (whatever it is: a file, a folder, a link, a FIFO) to
// `keptAs`, never over anything that has that name.
bool keepAside(const std::string& path, const std::string& keptAs);

// What the run logs and says when it kept `path` as `keptAs` before writing
// the pristine copy there.
std::string keptAsideLogLine(const std::string& path, const std::string& keptAs);
std::string keptAsideMessage(const std::string& path, const std::string& keptAs);
// What a check says beforehand when the run would keep `path` as `keptAs`;
// `run` names what starts the run ("patch", "Pressing OK").
std::string keptAsideNotice(const std::string& run, const std::string& path, const std::string& keptAs);
