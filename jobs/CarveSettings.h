#pragma once
// The carving choices of the settings file, for the engine's complete scans.
#include "engine/carve/CarveOptions.h"
#include "ui/settings/Ini.h"

// Carving on or off and the chosen formats, as the settings hold them.
CarveOptions CarveOptionsFromSettings(const CIni& ini = CIni::Instance());
