// ShaderScripts: a tokenizer that knows comments, braces and lines, and a walk over the shader
// blocks that keeps only the image names.
#include "texture/ShaderScripts.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <utility>
#include <vector>

#include "texture/AssetStore.h"

namespace {

std::string lowerCase(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

struct Token {
    std::string_view text;
    int line = 0;
};

// Words, quoted words and single braces; // and /* */ comments are dropped.
std::vector<Token> tokenize(std::string_view text) {
    std::vector<Token> tokens;
    int line = 1;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '\n') {
            ++line;
            ++at;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++at;
        } else if (text.compare(at, 2, "//") == 0) {
            at = std::min(text.find('\n', at), text.size());
        } else if (text.compare(at, 2, "/*") == 0) {
            const std::size_t end = std::min(text.find("*/", at + 2), text.size());
            line += static_cast<int>(std::count(text.begin() + std::ptrdiff_t(at),
                                                text.begin() + std::ptrdiff_t(end), '\n'));
            at = std::min(end + 2, text.size());
        } else if (c == '{' || c == '}') {
            tokens.push_back({text.substr(at, 1), line});
            ++at;
        } else if (c == '"') {
            const std::size_t end = std::min(text.find_first_of("\"\n", at + 1), text.size());
            tokens.push_back({text.substr(at + 1, end - at - 1), line});
            at = (end < text.size() && text[end] == '"') ? end + 1 : end;
        } else {
            std::size_t end = at;
            while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) &&
                   text[end] != '{' && text[end] != '}') {
                ++end;
            }
            tokens.push_back({text.substr(at, end - at), line});
            at = end;
        }
    }
    return tokens;
}

// Images the renderer makes itself start with '$'.
bool isFileImage(std::string_view image) {
    return !image.empty() && image.front() != '$';
}

}  // namespace

ShaderScripts::ShaderScripts(const AssetStore& assets, std::ostream& log) {
    std::vector<std::uint8_t> bytes;
    for (const std::string& script : assets.list("scripts", ".shader")) {
        if (assets.read(script, bytes)) {
            addScript(script,
                      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                      log);
        }
    }
}

void ShaderScripts::addScript(const std::string& fileName, std::string_view text,
                              std::ostream& log) {
    const std::vector<Token> tokens = tokenize(text);
    std::string shaderName;
    std::string editorImage;
    std::vector<std::string> stageImages;
    int depth = 0;
    int openedAtLine = 0;
    auto argument = [&](std::size_t i, std::size_t offset) -> std::string_view {
        const std::size_t at = i + offset;
        if (at < tokens.size() && tokens[at].line == tokens[i].line && tokens[at].text != "{" &&
            tokens[at].text != "}") {
            return tokens[at].text;
        }
        return {};
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string_view word = tokens[i].text;
        if (word == "{") {
            if (depth == 0 && shaderName.empty()) {
                log << fileName << ": line " << tokens[i].line
                    << ": a block with no shader name before it\n";
                return;
            }
            if (depth == 0) {
                openedAtLine = tokens[i].line;
            }
            ++depth;
        } else if (word == "}") {
            if (depth == 0) {
                log << fileName << ": line " << tokens[i].line
                    << ": unbalanced braces (a '}' closes nothing)\n";
                return;
            }
            if (--depth == 0) {
                if (!editorImage.empty()) {
                    stageImages.insert(stageImages.begin(), editorImage);
                }
                images.emplace(lowerCase(shaderName), std::move(stageImages));
                shaderName.clear();
                editorImage.clear();
                stageImages.clear();
            }
        } else if (depth == 0) {
            shaderName = std::string(word);
        } else {
            const std::string keyword = lowerCase(word);
            if (depth == 1 && keyword == "qer_editorimage" && editorImage.empty()) {
                editorImage = std::string(argument(i, 1));
            } else if (depth == 2 &&
                       (keyword == "map" || keyword == "clampmap" || keyword == "animmap")) {
                // animMap's first argument is its frame rate.
                const std::string_view image = argument(i, keyword == "animmap" ? 2 : 1);
                if (isFileImage(image)) {
                    stageImages.emplace_back(image);
                }
            }
        }
    }
    if (depth != 0) {
        log << fileName << ": unbalanced braces (the shader " << shaderName << " opened at line "
            << openedAtLine << " is never closed)\n";
    }
}

std::string ShaderScripts::imageFor(const std::string& shaderName) const {
    const std::vector<std::string>& candidates = imagesFor(shaderName);
    return candidates.empty() ? std::string() : candidates.front();
}

const std::vector<std::string>& ShaderScripts::imagesFor(const std::string& shaderName) const {
    const auto found = images.find(lowerCase(shaderName));
    return found == images.end() ? noImages : found->second;
}
