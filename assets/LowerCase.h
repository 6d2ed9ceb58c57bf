// The one folding of a name: names in a data path, and shader names, match without regard to case.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

inline std::string lowerCase(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}
