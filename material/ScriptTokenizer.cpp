// ScriptTokenizer: every byte up to a space (NUL and the other control bytes included) separates
// words; // and /* */ comments are dropped; a quote runs to the next quote or the line's end. A
// line ends at "\n", "\r\n" or a lone "\r", which some of the game's older scripts use.
#include "material/ScriptTokenizer.h"

#include <algorithm>

namespace {

bool isSpace(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool isLineEnd(std::string_view text, std::size_t at) {
    return text[at] == '\n' ||
           (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n'));
}

}  // namespace

ScriptToken ScriptTokenizer::next() {
    if (ahead) {
        const ScriptToken token = *ahead;
        ahead.reset();
        return token;
    }
    return scan();
}

const ScriptToken& ScriptTokenizer::peek() {
    if (!ahead) {
        ahead = scan();
    }
    return *ahead;
}

std::optional<std::string_view> ScriptTokenizer::nextWordOn(int wordLine) {
    const ScriptToken& token = peek();
    if (token.kind != ScriptToken::Kind::word || token.line != wordLine) {
        return std::nullopt;
    }
    return next().text;
}

void ScriptTokenizer::skipSpaceAndComments() {
    while (at < text.size()) {
        if (isLineEnd(text, at)) {
            ++line;
            ++at;
        } else if (isSpace(text[at])) {
            ++at;
        } else if (text.compare(at, 2, "//") == 0) {
            at = std::min(text.find_first_of("\r\n", at), text.size());
        } else if (text.compare(at, 2, "/*") == 0) {
            const std::size_t close = text.find("*/", at + 2);
            if (close == std::string_view::npos) {
                openCommentLine = line;
            }
            const std::size_t end = std::min(close, text.size());
            for (; at < end; ++at) {
                line += isLineEnd(text, at) ? 1 : 0;
            }
            at = std::min(end + 2, text.size());
        } else {
            return;
        }
    }
}

ScriptToken ScriptTokenizer::scan() {
    skipSpaceAndComments();
    if (at >= text.size()) {
        return {ScriptToken::Kind::end, {}, line};
    }
    const char c = text[at];
    if (c == '{' || c == '}') {
        ++at;
        return {c == '{' ? ScriptToken::Kind::open : ScriptToken::Kind::close, {}, line};
    }
    if (c == '"') {
        const std::size_t end = std::min(text.find_first_of("\"\r\n", at + 1), text.size());
        const std::string_view word = text.substr(at + 1, end - at - 1);
        at = (end < text.size() && text[end] == '"') ? end + 1 : end;
        return {ScriptToken::Kind::word, word, line};
    }
    std::size_t end = at;
    while (end < text.size() && !isSpace(text[end]) && text[end] != '{' && text[end] != '}') {
        ++end;
    }
    const std::string_view word = text.substr(at, end - at);
    at = end;
    return {ScriptToken::Kind::word, word, line};
}
