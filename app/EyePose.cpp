// EyePose: the comma-separated fields of a pose, each a whole number field by field.
#include "app/EyePose.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "geometry/Camera.h"

namespace {

constexpr int kMostFields = 5;

template <typename Number>
bool readNumber(std::string_view field, Number& value) {
    const char* end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    return error == std::errc() && stop == end && !field.empty();
}

}  // namespace

std::string readEyePose(std::string_view text, int leastFields, EyePose& pose) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(
            text.substr(start, comma == std::string_view::npos ? text.npos : comma - start));
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    const std::string shape = leastFields <= 3 ? "X,Y,Z[,YAW[,PITCH]]" : "X,Y,Z,YAW[,PITCH]";
    if (int(fields.size()) < leastFields || int(fields.size()) > kMostFields) {
        return "expected " + shape;
    }
    float xyz[3] = {0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 3; ++k) {
        if (!readNumber(fields[std::size_t(k)], xyz[k]) || !std::isfinite(xyz[k])) {
            return "'" + std::string(fields[std::size_t(k)]) + "' is not a number (" + shape + ")";
        }
    }
    int yaw = 0;
    if (fields.size() > 3 && !readNumber(fields[3], yaw)) {
        return "'" + std::string(fields[3]) + "' is not a whole number of degrees (YAW)";
    }
    float pitch = 0.0f;
    if (fields.size() > 4 &&
        (!readNumber(fields[4], pitch) || !(std::fabs(pitch) <= kMaxPitchDegrees))) {
        return "'" + std::string(fields[4]) + "' is not a pitch within -89..89 (PITCH)";
    }
    pose = {Point(xyz[0], xyz[1], xyz[2]), yaw, pitch};
    return "";
}
