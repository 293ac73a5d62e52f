#pragma once
// The live rows of a drive's table, for lookups that must find which live file or folder
// holds a given place on the volume.
#include <cstdint>
#include <functional>

struct LiveRowPlace {
    uint64_t id = 0;
    uint64_t size = 0;
    uint64_t firSector = 0;
    bool isDir = false;
};

// Calls visit for every row that is not deleted (files and folders), in table order, until it
// answers false.
void ForEachLiveRow(char letter, const std::function<bool(const LiveRowPlace&)>& visit);
