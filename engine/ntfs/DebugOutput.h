#pragma once
// The engine's debug log: messages meant for a developer watching the process, never for the
// user. They go to standard error, one message per line.
#include <string_view>

void DebugOutput(std::string_view message);
