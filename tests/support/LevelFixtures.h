// The writer-made levels and loading helpers shared by the tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "generators/FixtureLevels.h"
#include "level/BSPMap.h"

// Loads bytes as a level named "test.bsp"; the transcript goes to log.
std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes, std::ostream& log);
// The same, discarding the transcript.
std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes);
