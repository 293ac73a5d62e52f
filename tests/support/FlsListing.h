#pragma once
// The Sleuth Kit's fls as the reference listing of a volume image.
#include <map>
#include <string>

namespace tessaly::test {

// fls -r -p of an image: path below the root ("Docs/a.txt") -> deleted, without the volume's
// metadata entries (label, $-named system files, virtual entries).
std::map<std::string, bool> FlsListing(const std::string& image);

} // namespace tessaly::test
