// A small reader of entity text: blocks in braces holding quoted "key" "value" pairs.
#include "level/Entities.h"

#include <cctype>
#include <charconv>
#include <cmath>

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
                at = text.size();
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

std::string where(const EntityTokens& tokens, std::size_t entityNumber) {
    return "entity " + std::to_string(entityNumber) + " (line " + std::to_string(tokens.line()) +
           "): ";
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
                return "a quote that is never closed";
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

// Three numbers separated by white space, e.g. "64 -128 24"; anything else gives nothing.
std::optional<Point> parseOrigin(std::string_view value) {
    float file[3];
    const char* cursor = value.data();
    const char* const end = value.data() + value.size();
    for (float& coordinate : file) {
        while (cursor < end && std::isspace(static_cast<unsigned char>(*cursor))) {
            ++cursor;
        }
        const auto [rest, error] = std::from_chars(cursor, end, coordinate);
        if (error != std::errc()) {
            return std::nullopt;
        }
        cursor = rest;
    }
    while (cursor < end && std::isspace(static_cast<unsigned char>(*cursor))) {
        ++cursor;
    }
    if (cursor != end) {
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
    const std::string_view text = value("angle");
    float degrees = 0.0f;
    const char* begin = text.data();
    while (begin < text.data() + text.size() && std::isspace(static_cast<unsigned char>(*begin))) {
        ++begin;
    }
    const auto [rest, error] = std::from_chars(begin, text.data() + text.size(), degrees);
    (void)rest;
    return error == std::errc() && std::isfinite(degrees) ? degrees : 0.0f;
}

EntityList readEntities(std::string_view entityText) {
    EntityList list;
    EntityTokens tokens(entityText);
    for (;;) {
        const EntityToken token = tokens.next();
        if (token.kind == EntityToken::kEnd) {
            return list;
        }
        const std::size_t number = list.entities.size();
        if (token.kind != EntityToken::kOpen) {
            list.problem = where(tokens, number) + "text outside an entity's braces";
            return list;
        }
        Entity entity;
        if (std::string problem = readEntityBody(tokens, entity); !problem.empty()) {
            list.problem = where(tokens, number) + problem;
            return list;
        }
        if (list.problem.empty() && !entity.value("origin").empty() && !entity.origin()) {
            list.problem = where(tokens, number) + "origin \"" +
                           std::string(entity.value("origin").substr(0, 64)) +
                           "\" is not three numbers";
        }
        list.entities.push_back(std::move(entity));
    }
}

std::vector<Point> findSpawnPoints(std::string_view entityText) {
    std::vector<Point> spawns;
    for (const Entity& entity : readEntities(entityText).entities) {
        if (!isSpawnClass(entity.className())) {
            continue;
        }
        if (const std::optional<Point> origin = entity.origin()) {
            spawns.push_back(*origin);
        }
    }
    return spawns;
}

std::vector<PlayerSpawn> playerSpawns(const EntityList& list) {
    std::vector<PlayerSpawn> spawns;
    for (const std::string_view spawnClass : {kDeathmatchSpawnClass, kStartSpawnClass}) {
        for (const Entity& entity : list.entities) {
            const std::optional<Point> origin = entity.origin();
            if (entity.className() == spawnClass && origin) {
                spawns.push_back({spawnClass, *origin, entity.angle()});
            }
        }
    }
    return spawns;
}
