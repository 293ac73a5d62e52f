#pragma once
#include "engine/volume/StreamBase.h"

// The stream type of the NTFS engine.
class NTFSStream : public StreamBase {};
