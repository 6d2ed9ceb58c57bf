// A small reader of entity text: blocks in braces holding quoted "key" "value" pairs.
#include "level/Entities.h"

#include <cctype>
#include <charconv>
#include <optional>
#include <string>

#include "level/AxisChange.h"

namespace {

struct EntityToken {
    enum Kind { kOpen, kClose, kText } kind;
    std::string_view text;
};

// Splits the text into '{', '}' and the contents of quoted strings; bare words count as strings.
class EntityTokens {
public:
    explicit EntityTokens(std::string_view entityText) : text(entityText) {}

    // The next token, or nothing at the end of the text or at an unterminated quote.
    std::optional<EntityToken> next() {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) {
            ++at;
        }
        if (at >= text.size() || text[at] == '\0') {
            return std::nullopt;
        }
        const std::size_t start = at;
        if (text[at] == '{' || text[at] == '}') {
            ++at;
            return EntityToken{text[start] == '{' ? EntityToken::kOpen : EntityToken::kClose, {}};
        }
        if (text[at] == '"') {
            const std::size_t close = text.find('"', start + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            at = close + 1;
            return EntityToken{EntityToken::kText, text.substr(start + 1, close - start - 1)};
        }
        while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at])) &&
               text[at] != '"' && text[at] != '{' && text[at] != '}') {
            ++at;
        }
        return EntityToken{EntityToken::kText, text.substr(start, at - start)};
    }

private:
    std::string_view text;
    std::size_t at = 0;
};

bool isSpawnClass(std::string_view className) {
    return className == "info_player_deathmatch" || className == "info_player_start";
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
    return toViewerAxes(file[0], file[1], file[2]);
}

}  // namespace

std::vector<Point> findSpawnPoints(std::string_view entityText) {
    std::vector<Point> spawns;
    EntityTokens tokens(entityText);
    std::string className;
    std::optional<Point> origin;
    bool inEntity = false;
    while (const auto token = tokens.next()) {
        if (token->kind == EntityToken::kOpen) {
            inEntity = true;
            className.clear();
            origin.reset();
        } else if (token->kind == EntityToken::kClose) {
            if (inEntity && origin && isSpawnClass(className)) {
                spawns.push_back(*origin);
            }
            inEntity = false;
        } else if (inEntity) {
            const auto value = tokens.next();
            if (!value || value->kind != EntityToken::kText) {
                break;
            }
            if (token->text == "classname") {
                className = value->text;
            } else if (token->text == "origin") {
                origin = parseOrigin(value->text);
            }
        }
    }
    return spawns;
}
