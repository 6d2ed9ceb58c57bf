// Loading helpers for the tests.
#include "support/LevelFixtures.h"

#include <sstream>

std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes, std::ostream& log) {
    return std::make_unique<TestLevel>("data/", "test.bsp", std::move(bytes), nullptr, nullptr,
                                       log);
}

std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes) {
    std::ostringstream discarded;
    return loadLevelBytes(std::move(bytes), discarded);
}
