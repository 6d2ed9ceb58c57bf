// A small reader of entity text: blocks in braces holding quoted "key" "value" pairs.
#include "level/Entities.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <span>

#include "level/AxisChange.h"

namespace {

struct EntityToken {
    enum Kind { kOpen, kClose, kText, kEnd, kUnterminatedQuote } kind;
    std::string_view text;
};

// Splits the text into '{', '}' and the contents of quoted strings; bare words count as strings.
// A NUL ends the text, as the level compilers write one after the last entity.
class EntityTokens {
public:
    explicit EntityTokens(std::string_view entityText) : text(entityText) {}

    EntityToken next() {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) {
            ++at;
        }
        if (at >= text.size() || text[at] == '\0') {
            return {EntityToken::kEnd, {}};
        }
        const std::size_t start = at;
        if (text[at] == '{' || text[at] == '}') {
            ++at;
            return {text[start] == '{' ? EntityToken::kOpen : EntityToken::kClose, {}};
        }
        if (text[at] == '"') {
            const std::size_t close = text.find('"', start + 1);
            if (close == std::string_view::npos) {
                // Past the quote only, so that the line names it and a scan can count what follows.
                at = start + 1;
                return {EntityToken::kUnterminatedQuote, {}};
            }
            at = close + 1;
            return {EntityToken::kText, text.substr(start + 1, close - start - 1)};
        }
        while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at])) &&
               text[at] != '"' && text[at] != '{' && text[at] != '}' && text[at] != '\0') {
            ++at;
        }
        return {EntityToken::kText, text.substr(start, at - start)};
    }

    // 1-based line of the next token, for messages.
    std::size_t line() const {
        std::size_t lines = 1;
        for (std::size_t i = 0; i < at && i < text.size(); ++i) {
            lines += text[i] == '\n' ? 1 : 0;
        }
        return lines;
    }

private:
    std::string_view text;
    std::size_t at = 0;
};

std::string where(const EntityTokens& tokens, std::size_t entityNumber,
                  std::string_view className = {}) {
    std::string place = "entity " + std::to_string(entityNumber) + " (";
    if (!className.empty()) {
        place += std::string(className.substr(0, 64)) + ", ";
    }
    return place + "line " + std::to_string(tokens.line()) + "): ";
}

// How many entities the rest of the text holds, as far as a scan of its braces can tell: the
// count of '{' that open a block at the top level.
std::size_t blocksAhead(EntityTokens& tokens) {
    std::size_t blocks = 0;
    std::size_t depth = 0;
    for (;;) {
        switch (tokens.next().kind) {
            case EntityToken::kEnd:
                return blocks;
            case EntityToken::kOpen:
                blocks += depth == 0 ? 1 : 0;
                ++depth;
                break;
            case EntityToken::kClose:
                depth -= depth > 0 ? 1 : 0;
                break;
            case EntityToken::kText:
            case EntityToken::kUnterminatedQuote:
                break;
        }
    }
}

// The fault's line with how many entities after it are lost, when any are.
std::string withDropped(std::string fault, EntityTokens& tokens) {
    const std::size_t dropped = blocksAhead(tokens);
    if (dropped == 1) {
        fault += "; 1 entity after it was dropped";
    } else if (dropped > 1) {
        fault += "; " + std::to_string(dropped) + " entities after it were dropped";
    }
    return fault;
}

// The problem with a key/value pair's value token, or "" when it is a sound pair.
std::string pairProblem(const EntityToken& key, const EntityToken& value) {
    if (value.kind == EntityToken::kUnterminatedQuote) {
        return "a quote that is never closed";
    }
    if (value.kind != EntityToken::kText) {
        return "key \"" + std::string(key.text.substr(0, 64)) + "\" has no value";
    }
    if (key.text.size() > kMaxEntityKeyLength) {
        return "a key of " + std::to_string(key.text.size()) + " characters (at most " +
               std::to_string(kMaxEntityKeyLength) + ")";
    }
    if (value.text.size() > kMaxEntityValueLength) {
        return "a value of " + std::to_string(value.text.size()) + " characters (at most " +
               std::to_string(kMaxEntityValueLength) + ")";
    }
    return {};
}

// Reads the pairs of one entity after its '{' up to its '}'. Returns the problem, or "".
std::string readEntityBody(EntityTokens& tokens, Entity& entity) {
    for (;;) {
        const EntityToken key = tokens.next();
        switch (key.kind) {
            case EntityToken::kClose:
                return {};
            case EntityToken::kEnd:
                return "a brace that is never closed";
            case EntityToken::kOpen:
                return "a '{' inside an entity";
            case EntityToken::kUnterminatedQuote:
                return "a key whose quote is never closed";
            case EntityToken::kText:
                break;
        }
        const EntityToken value = tokens.next();
        if (std::string problem = pairProblem(key, value); !problem.empty()) {
            return problem;
        }
        entity.keys.emplace_back(key.text, value.text);
    }
}

enum class NumberFault { kNone, kOutOfRange, kNotFinite, kNotNumbers };

const char* skipSpace(const char* cursor, const char* end) {
    while (cursor < end && std::isspace(static_cast<unsigned char>(*cursor))) {
        ++cursor;
    }
    return cursor;
}

// Exactly out.size() numbers separated by white space, e.g. "64 -128 24"; the worst fault of any.
NumberFault readNumbers(std::string_view value, std::span<float> out) {
    const char* cursor = value.data();
    const char* const end = value.data() + value.size();
    NumberFault fault = NumberFault::kNone;
    for (float& number : out) {
        const auto [rest, error] = std::from_chars(skipSpace(cursor, end), end, number);
        if (error == std::errc::result_out_of_range) {
            fault = std::max(fault, NumberFault::kOutOfRange);
        } else if (error != std::errc()) {
            return NumberFault::kNotNumbers;
        } else if (!std::isfinite(number)) {
            fault = std::max(fault, NumberFault::kNotFinite);
        } else if (std::abs(number) > kMaxEntityNumber) {
            fault = std::max(fault, NumberFault::kOutOfRange);
        }
        cursor = rest;
    }
    return skipSpace(cursor, end) == end ? fault : NumberFault::kNotNumbers;
}

// The line for a key whose value, one number or three, has the fault; "" for none.
std::string numberLine(std::string_view key, std::string_view value, NumberFault fault,
                       bool oneNumber) {
    const std::string line = std::string(key) + " \"" + std::string(value.substr(0, 64)) + "\" ";
    switch (fault) {
        case NumberFault::kNone:
            return {};
        case NumberFault::kOutOfRange:
            return line + "is outside " + std::to_string(-static_cast<long>(kMaxEntityNumber)) +
                   ".." + std::to_string(static_cast<long>(kMaxEntityNumber));
        case NumberFault::kNotFinite:
            return line +
                   (oneNumber ? "is not a finite number" : "holds a number that is not finite");
        case NumberFault::kNotNumbers:
            return line + (oneNumber ? "is not a number" : "is not three numbers");
    }
    return {};
}

std::optional<Point> parseOrigin(std::string_view value) {
    float file[3];
    if (readNumbers(value, file) != NumberFault::kNone) {
        return std::nullopt;
    }
    return toViewerAxes(file[0], file[1], file[2]);
}

bool isSpawnClass(std::string_view className) {
    return className == kDeathmatchSpawnClass || className == kStartSpawnClass;
}

}  // namespace

std::string_view Entity::value(std::string_view key) const {
    for (const auto& [name, text] : keys) {
        if (name == key) {
            return text;
        }
    }
    return {};
}

std::optional<Point> Entity::origin() const {
    return parseOrigin(value("origin"));
}

float Entity::angle() const {
    float degrees[1] = {0.0f};
    return readNumbers(value("angle"), degrees) == NumberFault::kNone ? degrees[0] : 0.0f;
}

std::string Entity::numberProblem() const {
    float numbers[3];
    if (const std::string_view text = value("origin"); !text.empty()) {
        if (std::string line = numberLine("origin", text, readNumbers(text, numbers), false);
            !line.empty()) {
            return line;
        }
    }
    if (const std::string_view text = value("angle"); !text.empty()) {
        return numberLine("angle", text, readNumbers(text, std::span(numbers, 1)), true);
    }
    return {};
}

std::optional<Point> Entity::placedAt() const {
    return numberProblem().empty() ? origin() : std::nullopt;
}

EntityList readEntities(std::string_view entityText) {
    EntityList list;
    EntityTokens tokens(entityText);
    std::size_t badNumbers = 0;
    for (;;) {
        const EntityToken token = tokens.next();
        if (token.kind == EntityToken::kEnd) {
            break;
        }
        const std::size_t number = list.entities.size();
        if (token.kind != EntityToken::kOpen) {
            list.problems.push_back(
                withDropped(where(tokens, number) + "text outside an entity's braces", tokens));
            break;
        }
        Entity entity;
        if (std::string problem = readEntityBody(tokens, entity); !problem.empty()) {
            list.problems.push_back(withDropped(where(tokens, number) + problem, tokens));
            break;
        }
        if (std::string problem = entity.numberProblem(); !problem.empty()) {
            if (badNumbers++ < kMaxEntityProblemLines) {
                list.problems.push_back(where(tokens, number, entity.className()) + problem);
            }
        }
        list.entities.push_back(std::move(entity));
    }
    if (badNumbers > kMaxEntityProblemLines) {
        const std::string more = std::to_string(badNumbers - kMaxEntityProblemLines);
        list.problems.insert(list.problems.begin() + kMaxEntityProblemLines,
                             "... and " + more + " more entities with bad numbers, not placed");
    }
    return list;
}

std::vector<Point> findSpawnPoints(std::string_view entityText) {
    std::vector<Point> spawns;
    for (const Entity& entity : readEntities(entityText).entities) {
        if (!isSpawnClass(entity.className())) {
            continue;
        }
        if (const std::optional<Point> origin = entity.placedAt()) {
            spawns.push_back(*origin);
        }
    }
    return spawns;
}

std::vector<PlayerSpawn> playerSpawns(const EntityList& list) {
    std::vector<PlayerSpawn> spawns;
    for (const std::string_view spawnClass : {kDeathmatchSpawnClass, kStartSpawnClass}) {
        for (const Entity& entity : list.entities) {
            const std::optional<Point> origin = entity.placedAt();
            if (entity.className() == spawnClass && origin) {
                spawns.push_back({spawnClass, *origin, entity.angle()});
            }
        }
    }
    return spawns;
}
