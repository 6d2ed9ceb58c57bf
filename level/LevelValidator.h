// The one check of a loaded level's indices, shared by the viewer and the level report.
#pragma once

#include <string>
#include <vector>

class BSPMap;

// Appends one line per problem (the record, its number, the value found and the range allowed),
// every problem rather than only the first. Nothing is appended for a sound level.
void validateLevel(const BSPMap& level, std::vector<std::string>& problems);
