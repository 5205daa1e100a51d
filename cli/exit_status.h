// The exit statuses of wendrix-cli.
#pragma once

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotAllReplaced = 3; // patch: written, but some texts were not replaced
inline constexpr int kExitUpdaterFailed = 4;  // patch: written, but UPDATER.EXE failed
