// Order statistics of benchmark samples: the median and the nearest-rank percentile.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// The middle sample, or the mean of the two middle ones for an even count; 0 for no samples.
template <typename Sample>
double median(std::vector<Sample> samples) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    if (samples.size() % 2 == 1) {
        return static_cast<double>(samples[middle]);
    }
    return (static_cast<double>(samples[middle - 1]) + static_cast<double>(samples[middle])) / 2.0;
}

// The nearest-rank percentile: the smallest sample that at least percent of the samples do not
// exceed (the ceil(percent * n / 100)-th smallest). Integer arithmetic keeps the rank exact;
// percent is clamped to 1..100; 0 for no samples.
template <typename Sample>
double percentile(std::vector<Sample> samples, int percent) {
    if (samples.empty()) {
        return 0.0;
    }
    percent = std::clamp(percent, 1, 100);
    std::sort(samples.begin(), samples.end());
    const std::size_t rank = (static_cast<std::size_t>(percent) * samples.size() + 99) / 100;
    return static_cast<double>(samples[std::max<std::size_t>(rank, 1) - 1]);
}
