// BrushModels: reading the brush entities from the entity list and the submodels, the leaf walk
// that gives each its clusters, and the motion of the moving ones.
#include "level/BrushModels.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>

#include "level/AxisChange.h"
#include "level/BSPMap.h"

namespace {

// Larger numbers in entity keys or submodel boxes are bad input: every place in a level and
// every speed that makes sense is far below.
constexpr double kLargestNumber = 1.0e6;
constexpr float kPlatLip = 8.0f;
constexpr float kBobbingHeight = 32.0f;
constexpr float kBobbingSeconds = 4.0f;
constexpr float kRotatingDegreesPerSecond = 100.0f;
constexpr float kPendulumSwingDegrees = 30.0f;
constexpr float kPendulumShortestLength = 8.0f;
constexpr float kGravity = 800.0f;
constexpr float kTrainUnitsPerSecond = 100.0f;
constexpr std::int32_t kSpawnFlagAxisX = 1;
constexpr std::int32_t kSpawnFlagAxisY = 2;
constexpr std::int32_t kSpawnFlagTurnX = 4;
constexpr std::int32_t kSpawnFlagTurnY = 8;

bool isUsable(double value) {
    return std::isfinite(value) && std::fabs(value) <= kLargestNumber;
}

std::optional<double> parseNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !isUsable(value)) {
        return std::nullopt;
    }
    return value;
}

// Reads one entity into a BrushEntity, writing its problems (prefixed by what) on log.
class EntityReader {
public:
    EntityReader(const Entity& entityValue, std::string prefixValue, std::ostream& logValue)
        : entity(entityValue), prefix(std::move(prefixValue)), log(logValue) {}

    // The key's number; fallback when absent, and after one line when not a usable number.
    float number(std::string_view key, float fallback) const {
        const std::string_view text = entity.value(key);
        if (text.empty()) {
            return fallback;
        }
        if (const std::optional<double> value = parseNumber(text)) {
            return static_cast<float>(*value);
        }
        log << prefix << key << " \"" << text.substr(0, 32) << "\" is not a usable number; "
            << fallback << " used" << std::endl;
        return fallback;
    }

    float positive(std::string_view key, float fallback) const {
        const float value = number(key, fallback);
        if (value > 0.0f) {
            return value;
        }
        log << prefix << key << " \"" << entity.value(key).substr(0, 32)
            << "\" is not a positive number; " << fallback << " used" << std::endl;
        return fallback;
    }

    std::int32_t flags() const {
        const std::optional<double> value = parseNumber(entity.value("spawnflags"));
        return value ? static_cast<std::int32_t>(*value) : 0;
    }

    Point origin() const {
        if (entity.value("origin").empty()) {
            return Point();
        }
        const std::optional<Point> origin = entity.origin();
        if (origin && isUsable(origin->getX()) && isUsable(origin->getY()) &&
            isUsable(origin->getZ())) {
            return *origin;
        }
        log << prefix << "origin \"" << entity.value("origin").substr(0, 64)
            << "\" is not three usable numbers; drawn where compiled" << std::endl;
        return Point();
    }

    void problem(std::string_view what) const { log << prefix << what << std::endl; }

private:
    const Entity& entity;
    std::string prefix;
    std::ostream& log;
};

Point plus(const Point& a, float x, float y, float z) {
    return Point(a.getX() + x, a.getY() + y, a.getZ() + z);
}

// The viewer-axes unit vector of a file axis.
Point viewerAxis(int fileAxis) {
    const float unit[3] = {fileAxis == 0 ? 1.0f : 0.0f, fileAxis == 1 ? 1.0f : 0.0f,
                           fileAxis == 2 ? 1.0f : 0.0f};
    return toViewerAxes(unit[0], unit[1], unit[2]);
}

BrushBox shifted(const BrushBox& box, const Point& by) {
    const float offset[3] = {by.getX(), by.getY(), by.getZ()};
    BrushBox result;
    for (int k = 0; k < 3; ++k) {
        result.low[k] = box.low[k] + offset[k];
        result.high[k] = box.high[k] + offset[k];
    }
    return result;
}

BrushBox joined(const BrushBox& a, const BrushBox& b) {
    BrushBox result;
    for (int k = 0; k < 3; ++k) {
        result.low[k] = std::min(a.low[k], b.low[k]);
        result.high[k] = std::max(a.high[k], b.high[k]);
    }
    return result;
}

// The box a submodel's corners span in viewer axes; nothing when a corner is not usable.
std::optional<BrushBox> boxOf(const Model& model) {
    BrushBox box;
    for (int k = 0; k < 3; ++k) {
        if (!isUsable(model.mins[k]) || !isUsable(model.maxs[k])) {
            return std::nullopt;
        }
        box.low[k] = std::min(model.mins[k], model.maxs[k]);
        box.high[k] = std::max(model.mins[k], model.maxs[k]);
    }
    return box;
}

// Every place the entity's box reaches while it moves.
BrushBox reachOf(const BrushEntity& brush) {
    const BrushBox atRest = shifted(brush.box, brush.origin);
    switch (brush.motion) {
        case BrushMotion::fixed:
            return atRest;
        case BrushMotion::plat:
        case BrushMotion::bobbing: {
            const Point along = viewerAxis(brush.axis);
            const float sign = brush.motion == BrushMotion::plat ? -1.0f : 1.0f;
            const float h = brush.height * sign;
            BrushBox reach = joined(
                atRest,
                shifted(atRest, Point(along.getX() * h, along.getY() * h, along.getZ() * h)));
            return brush.motion == BrushMotion::plat
                       ? reach
                       : joined(reach, shifted(atRest, Point(-along.getX() * h, -along.getY() * h,
                                                             -along.getZ() * h)));
        }
        case BrushMotion::rotating:
        case BrushMotion::pendulum: {
            float radius = 0.0f;
            for (int k = 0; k < 3; ++k) {
                const float far =
                    std::max(std::fabs(brush.box.low[k]), std::fabs(brush.box.high[k]));
                radius += far * far;
            }
            radius = std::sqrt(radius);
            BrushBox reach;
            reach.low = {-radius, -radius, -radius};
            reach.high = {radius, radius, radius};
            return shifted(reach, brush.origin);
        }
        case BrushMotion::train: {
            BrushBox reach = shifted(brush.box, brush.path.front().place);
            for (const TrainCorner& corner : brush.path) {
                reach = joined(reach, shifted(brush.box, corner.place));
            }
            return reach;
        }
    }
    return atRest;
}

// The clusters of the leaves the box touches, by a walk down the node tree. The stack is
// explicit because a tree may be as deep as it has nodes; the validator guarantees it has no
// loops and that every index is in range.
std::vector<std::int32_t> clustersTouched(const BSPMap& level, const BrushBox& box) {
    std::vector<std::int32_t> clusters;
    if (level.getNodes().empty()) {
        return clusters;
    }
    std::vector<std::int32_t> stack{0};
    double centre[3];
    double half[3];
    for (int k = 0; k < 3; ++k) {
        centre[k] = 0.5 * (double(box.low[k]) + box.high[k]);
        half[k] = 0.5 * (double(box.high[k]) - box.low[k]);
    }
    while (!stack.empty()) {
        const std::int32_t index = stack.back();
        stack.pop_back();
        if (index < 0) {
            const std::int32_t cluster = level.clusterOfLeaf(-(index + 1));
            if (cluster >= 0) {
                clusters.push_back(cluster);
            }
            continue;
        }
        const Node& node = level.getNodes()[std::size_t(index)];
        const Plane& plane = level.getPlanes()[std::size_t(node.plane)];
        const Vec3 n = plane.getNormal();
        const double along = n.getX() * centre[0] + n.getY() * centre[1] + n.getZ() * centre[2] -
                             plane.getDistance();
        const double spread = std::fabs(n.getX()) * half[0] + std::fabs(n.getY()) * half[1] +
                              std::fabs(n.getZ()) * half[2];
        if (along + spread >= 0.0) {
            stack.push_back(node.front);
        }
        if (along - spread < 0.0) {
            stack.push_back(node.back);
        }
    }
    std::sort(clusters.begin(), clusters.end());
    clusters.erase(std::unique(clusters.begin(), clusters.end()), clusters.end());
    return clusters;
}

// A path_corner's wait: 0 when absent, -1 (stop for good) as written, and 0 after one line when
// it is neither -1 nor a usable number of seconds.
float cornerWait(const Entity& corner, const EntityReader& read) {
    const std::string_view text = corner.value("wait");
    if (text.empty()) {
        return 0.0f;
    }
    const std::optional<double> value = parseNumber(text);
    if (value && (*value >= 0.0 || *value == -1.0)) {
        return static_cast<float>(*value);
    }
    read.problem("path_corner \"" + std::string(corner.value("targetname").substr(0, 32)) +
                 "\" wait \"" + std::string(text.substr(0, 32)) +
                 "\" is neither -1 nor a usable number of seconds; 0 used");
    return 0.0f;
}

// A path_corner's speed for the leg from it: the train's when absent, and after one line when it
// is not a usable positive number.
float cornerSpeed(const Entity& corner, float trainSpeed, const EntityReader& read) {
    const std::string_view text = corner.value("speed");
    if (text.empty()) {
        return trainSpeed;
    }
    const std::optional<double> value = parseNumber(text);
    // Tested as the float it is kept in, which a speed too small for it would make 0.
    if (value && static_cast<float>(*value) > 0.0f) {
        return static_cast<float>(*value);
    }
    std::ostringstream line;
    line << "path_corner \"" << corner.value("targetname").substr(0, 32) << "\" speed \""
         << text.substr(0, 32) << "\" is not a usable positive number; the train's " << trainSpeed
         << " used";
    read.problem(line.str());
    return trainSpeed;
}

// The train's corners from its target on: each path_corner's own target next, until a target
// names no corner or a corner waits for good (the train stops at the last), or one already on
// the path (it goes round).
void followPath(const EntityList& list, const Entity& train, const EntityReader& read,
                BrushEntity& brush) {
    std::vector<std::size_t> visited;
    std::string_view target = train.value("target");
    while (!target.empty()) {
        const auto& entities = list.entities;
        const auto found = std::find_if(entities.begin(), entities.end(), [&](const Entity& e) {
            return e.className() == "path_corner" && e.value("targetname") == target;
        });
        if (found == entities.end()) {
            return;
        }
        const auto index = static_cast<std::size_t>(found - entities.begin());
        if (const auto seen = std::find(visited.begin(), visited.end(), index);
            seen != visited.end()) {
            brush.loopStart = static_cast<std::int32_t>(seen - visited.begin());
            return;
        }
        const std::optional<Point> corner = found->origin();
        if (!corner || !isUsable(corner->getX()) || !isUsable(corner->getY()) ||
            !isUsable(corner->getZ())) {
            return;
        }
        visited.push_back(index);
        const float wait = cornerWait(*found, read);
        brush.path.push_back(
            {*corner, std::max(wait, 0.0f), cornerSpeed(*found, brush.unitsPerSecond, read)});
        if (wait < 0.0f) {
            return;
        }
        target = found->value("target");
    }
}

void readMotion(const EntityList& list, const Entity& entity, const EntityReader& read,
                BrushEntity& brush) {
    const std::int32_t flags = read.flags();
    const std::string_view name = brush.className;
    if (name == "func_plat") {
        brush.motion = BrushMotion::plat;
        // The box's file height is its viewer y extent.
        brush.height = read.number("height", brush.box.high[1] - brush.box.low[1] - kPlatLip);
    } else if (name == "func_bobbing") {
        brush.motion = BrushMotion::bobbing;
        brush.height = read.number("height", kBobbingHeight);
        brush.periodSeconds = read.positive("speed", kBobbingSeconds);
        brush.phase = read.number("phase", 0.0f);
        brush.axis = (flags & kSpawnFlagAxisX) != 0 ? 0 : (flags & kSpawnFlagAxisY) != 0 ? 1 : 2;
    } else if (name == "func_rotating") {
        brush.motion = BrushMotion::rotating;
        brush.degrees = read.number("speed", kRotatingDegreesPerSecond);
        brush.axis = (flags & kSpawnFlagTurnX) != 0 ? 0 : (flags & kSpawnFlagTurnY) != 0 ? 1 : 2;
    } else if (name == "func_pendulum") {
        brush.motion = BrushMotion::pendulum;
        brush.degrees = read.number("speed", kPendulumSwingDegrees);
        brush.phase = read.number("phase", 0.0f);
        // The arm hangs from the origin down to the box's lowest point (file z is viewer y).
        const float length = std::max(std::fabs(brush.box.low[1]), kPendulumShortestLength);
        brush.periodSeconds =
            static_cast<float>(2.0 * std::numbers::pi / std::sqrt(kGravity / (3.0 * length)));
        brush.axis = 0;
    } else if (name == "func_train") {
        brush.unitsPerSecond = read.positive("speed", kTrainUnitsPerSecond);
        followPath(list, entity, read, brush);
        if (brush.path.empty()) {
            read.problem("no path_corner at its target; drawn where compiled");
        } else {
            brush.motion = BrushMotion::train;
        }
    }
}

using Matrix = std::array<double, 16>;

Matrix identity() {
    Matrix m{};
    m[0] = m[5] = m[10] = m[15] = 1.0;
    return m;
}

// A right-handed turn by degrees about a unit axis, through the origin.
Matrix turn(const Point& axis, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    const double x = axis.getX();
    const double y = axis.getY();
    const double z = axis.getZ();
    const double t = 1.0 - c;
    Matrix m = identity();
    m[0] = t * x * x + c;
    m[1] = t * x * y + s * z;
    m[2] = t * x * z - s * y;
    m[4] = t * x * y - s * z;
    m[5] = t * y * y + c;
    m[6] = t * y * z + s * x;
    m[8] = t * x * z + s * y;
    m[9] = t * y * z - s * x;
    m[10] = t * z * z + c;
    return m;
}

// The seconds a train spends on one leg: its wait at the corner the leg starts from, then its
// move to the next.
struct TrainLeg {
    double waitSeconds = 0.0;
    double moveSeconds = 0.0;
};

std::size_t legEnd(const BrushEntity& brush, std::size_t from) {
    return from + 1 < brush.path.size() ? from + 1 : std::size_t(brush.loopStart);
}

TrainLeg trainLeg(const BrushEntity& brush, std::size_t from) {
    const Point& a = brush.path[from].place;
    const Point& b = brush.path[legEnd(brush, from)].place;
    const double dx = double(b.getX()) - a.getX();
    const double dy = double(b.getY()) - a.getY();
    const double dz = double(b.getZ()) - a.getZ();
    return {brush.path[from].waitSeconds,
            std::sqrt(dx * dx + dy * dy + dz * dz) / brush.path[from].unitsPerSecond};
}

// Where a train is at seconds along its path: at rest on a corner for its wait, then on the way
// to the next at the corner's speed.
Point trainPosition(const BrushEntity& brush, double seconds) {
    const std::vector<TrainCorner>& path = brush.path;
    const std::size_t legs = brush.loopStart >= 0 ? path.size() : path.size() - 1;
    double cycleSeconds = 0.0;
    double leadSeconds = 0.0;
    for (std::size_t leg = 0; leg < legs; ++leg) {
        const TrainLeg times = trainLeg(brush, leg);
        (leg < std::size_t(std::max(brush.loopStart, 0)) ? leadSeconds : cycleSeconds) +=
            times.waitSeconds + times.moveSeconds;
    }
    seconds = std::max(seconds, 0.0);
    if (brush.loopStart >= 0 && seconds > leadSeconds && cycleSeconds > 0.0) {
        seconds = leadSeconds + std::fmod(seconds - leadSeconds, cycleSeconds);
    }
    for (std::size_t leg = 0; leg < legs; ++leg) {
        const TrainLeg times = trainLeg(brush, leg);
        if (seconds < times.waitSeconds) {
            return path[leg].place;
        }
        seconds -= times.waitSeconds;
        if (seconds < times.moveSeconds) {
            const double f = seconds / times.moveSeconds;
            const Point& a = path[leg].place;
            const Point& b = path[legEnd(brush, leg)].place;
            return Point(static_cast<float>(a.getX() + f * (double(b.getX()) - a.getX())),
                         static_cast<float>(a.getY() + f * (double(b.getY()) - a.getY())),
                         static_cast<float>(a.getZ() + f * (double(b.getZ()) - a.getZ())));
        }
        seconds -= times.moveSeconds;
    }
    return brush.loopStart >= 0 ? path[std::size_t(brush.loopStart)].place : path.back().place;
}

}  // namespace

std::int32_t submodelNumber(std::string_view modelKey) {
    if (modelKey.size() < 2 || modelKey.front() != '*') {
        return -1;
    }
    std::int32_t number = -1;
    const char* last = modelKey.data() + modelKey.size();
    const auto [end, error] = std::from_chars(modelKey.data() + 1, last, number);
    if (error != std::errc() || end != last || modelKey[1] == '-' || modelKey[1] == '+') {
        return -1;
    }
    return number;
}

BrushModels::BrushModels(const BSPMap& level, std::ostream& log) {
    const EntityList& list = level.getEntities();
    const std::vector<Model>& models = level.getModels();
    const auto faceCount = static_cast<std::int64_t>(level.getFaces().size());
    for (std::size_t i = 0; i < list.entities.size(); ++i) {
        const Entity& entity = list.entities[i];
        const std::string_view key = entity.value("model");
        if (key.empty() || key.front() != '*') {
            continue;
        }
        BrushEntity brush;
        brush.entity = i;
        brush.className = std::string(entity.className());
        brush.targetName = std::string(entity.value("targetname"));
        const EntityReader read(
            entity,
            level.getLevelFile() + ": entity " + std::to_string(i) + " " + brush.className + ": ",
            log);
        if (brush.className.starts_with("trigger_")) {
            continue;
        }
        brush.model = submodelNumber(key);
        const std::string quoted = "model \"" + std::string(key.substr(0, 32)) + "\"";
        if (brush.model < 1 || std::size_t(brush.model) >= models.size()) {
            read.problem(quoted + " names no submodel (the level has " +
                         std::to_string(models.empty() ? 0 : models.size() - 1) + "); not drawn");
            continue;
        }
        const Model& model = models[std::size_t(brush.model)];
        if (model.firstFace < 0 || model.numFaces < 0 ||
            std::int64_t(model.firstFace) + model.numFaces > faceCount) {
            read.problem(quoted + " lists faces " + std::to_string(model.firstFace) + ".." +
                         std::to_string(std::int64_t(model.firstFace) + model.numFaces) +
                         " but the level has " + std::to_string(faceCount) + "; not drawn");
            continue;
        }
        const std::optional<BrushBox> box = boxOf(model);
        if (!box) {
            read.problem(quoted + " has a box that is not finite; not drawn");
            continue;
        }
        brush.firstFace = model.firstFace;
        brush.numFaces = model.numFaces;
        brush.box = *box;
        brush.origin = read.origin();
        readMotion(list, entity, read, brush);
        brush.reach = reachOf(brush);
        if (level.isSound()) {
            brush.clusters = clustersTouched(level, brush.reach);
        }
        totalFaces += std::size_t(brush.numFaces);
        brushEntities.push_back(std::move(brush));
    }
}

const BrushEntity* BrushModels::ownerOfFace(std::int32_t face) const {
    for (const BrushEntity& brush : brushEntities) {
        if (face >= brush.firstFace && face - brush.firstFace < brush.numFaces) {
            return &brush;
        }
    }
    return nullptr;
}

BrushTransform BrushModels::transformAt(const BrushEntity& brush, double clockSeconds) {
    Point place = brush.origin;
    Matrix m = identity();
    const Point along = viewerAxis(brush.axis);
    switch (brush.motion) {
        case BrushMotion::fixed:
            break;
        case BrushMotion::plat:
            place = plus(place, 0.0f, -brush.height, 0.0f);
            break;
        case BrushMotion::bobbing: {
            const double cycle = clockSeconds / brush.periodSeconds - brush.phase;
            const double offset =
                std::sin(2.0 * std::numbers::pi * (cycle - std::floor(cycle))) * brush.height;
            place = plus(place, static_cast<float>(along.getX() * offset),
                         static_cast<float>(along.getY() * offset),
                         static_cast<float>(along.getZ() * offset));
            break;
        }
        case BrushMotion::rotating:
            m = turn(along, std::fmod(brush.degrees * clockSeconds, 360.0));
            break;
        case BrushMotion::pendulum: {
            const double cycle = clockSeconds / brush.periodSeconds - brush.phase;
            m = turn(along, brush.degrees *
                                std::sin(2.0 * std::numbers::pi * (cycle - std::floor(cycle))));
            break;
        }
        case BrushMotion::train:
            place = trainPosition(brush, clockSeconds);
            break;
    }
    m[12] = place.getX();
    m[13] = place.getY();
    m[14] = place.getZ();
    BrushTransform result{};
    for (std::size_t k = 0; k < result.size(); ++k) {
        // A clock so large that the sums lose all sense still leaves finite numbers.
        result[k] = std::isfinite(m[k]) ? static_cast<float>(m[k]) : (k % 5 == 0 ? 1.0f : 0.0f);
    }
    return result;
}
