// MaterialScripts: a reader that walks one script's tokens with a fixed nesting (top level, shader,
// stage) and turns each keyword line into fields of a Material; what it cannot use it skips, and
// the script's first problem is its one line on the log.
#include "material/MaterialScripts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <tuple>

#include "assets/LowerCase.h"
#include "material/ScriptTokenizer.h"

namespace {

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

template <typename T>
using Names = std::initializer_list<std::pair<std::string_view, T>>;

template <typename T>
std::optional<T> lookUp(Names<T> names, std::string_view word) {
    for (const auto& [name, value] : names) {
        if (sameWord(name, word)) {
            return value;
        }
    }
    return std::nullopt;
}

// A number a float cannot hold (a wave's 1e39) is no value a script means: its keyword is skipped.
constexpr double kMaxScriptNumber = std::numeric_limits<float>::max();

// Finite numbers only.
std::optional<double> parseNumber(std::string_view word) {
    const char* begin = word.data();
    const char* end = begin + word.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    double value = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// A word as a message shows it: long ones are cut.
std::string quoted(std::string_view word) {
    constexpr std::size_t kShown = 64;
    return "\"" + std::string(word.substr(0, kShown)) + (word.size() > kShown ? "...\"" : "\"");
}

const Names<float> kSortNames = {
    {"portal", MaterialSort::kPortal},         {"sky", MaterialSort::kSky},
    {"opaque", MaterialSort::kOpaque},         {"decal", MaterialSort::kDecal},
    {"seeThrough", MaterialSort::kSeeThrough}, {"banner", MaterialSort::kBanner},
    {"underwater", MaterialSort::kUnderwater}, {"additive", MaterialSort::kAdditive},
    {"nearest", MaterialSort::kNearest},
};

const Names<WaveForm> kWaveForms = {
    {"sin", WaveForm::sine},
    {"square", WaveForm::square},
    {"triangle", WaveForm::triangle},
    {"sawtooth", WaveForm::sawtooth},
    {"inversesawtooth", WaveForm::inverseSawtooth},
    {"noise", WaveForm::noise},
};

const Names<BlendFactor> kBlendFactors = {
    {"GL_ONE", BlendFactor::one},
    {"GL_ZERO", BlendFactor::zero},
    {"GL_SRC_COLOR", BlendFactor::sourceColour},
    {"GL_ONE_MINUS_SRC_COLOR", BlendFactor::oneMinusSourceColour},
    {"GL_DST_COLOR", BlendFactor::destinationColour},
    {"GL_ONE_MINUS_DST_COLOR", BlendFactor::oneMinusDestinationColour},
    {"GL_SRC_ALPHA", BlendFactor::sourceAlpha},
    {"GL_ONE_MINUS_SRC_ALPHA", BlendFactor::oneMinusSourceAlpha},
    {"GL_DST_ALPHA", BlendFactor::destinationAlpha},
    {"GL_ONE_MINUS_DST_ALPHA", BlendFactor::oneMinusDestinationAlpha},
    {"GL_SRC_ALPHA_SATURATE", BlendFactor::sourceAlphaSaturate},
};

using BlendPair = std::pair<BlendFactor, BlendFactor>;
const Names<BlendPair> kBlendShortForms = {
    {"add", {BlendFactor::one, BlendFactor::one}},
    {"filter", {BlendFactor::destinationColour, BlendFactor::zero}},
    {"blend", {BlendFactor::sourceAlpha, BlendFactor::oneMinusSourceAlpha}},
};

const Names<ColourGen> kColourGens = {
    {"identity", ColourGen::identity},
    {"identityLighting", ColourGen::identityLighting},
    {"vertex", ColourGen::vertex},
    {"exactVertex", ColourGen::exactVertex},
    {"oneMinusVertex", ColourGen::oneMinusVertex},
    {"entity", ColourGen::identity},
    {"lightingDiffuse", ColourGen::vertex},
};

const Names<AlphaGen> kAlphaGens = {
    {"identity", AlphaGen::identity},
    {"vertex", AlphaGen::vertex},
    {"oneMinusVertex", AlphaGen::oneMinusVertex},
    {"portal", AlphaGen::identity},
};

const Names<TexCoordGen> kTexCoordGens = {
    {"base", TexCoordGen::base},
    {"texture", TexCoordGen::base},
    {"lightmap", TexCoordGen::lightmap},
    {"environment", TexCoordGen::environment},
};

const Names<AlphaTest> kAlphaTests = {
    {"GT0", AlphaTest::greaterThanZero},
    {"LT128", AlphaTest::lessThan128},
    {"GE128", AlphaTest::atLeast128},
};

const Names<CullMode> kCullModes = {
    {"front", CullMode::front},  {"back", CullMode::back},     {"none", CullMode::none},
    {"disable", CullMode::none}, {"twosided", CullMode::none},
};

bool isOneOf(const std::string& keyword, std::initializer_list<std::string_view> known) {
    return std::find(known.begin(), known.end(), keyword) != known.end();
}

bool isStageKeyword(const std::string& keyword) {
    return isOneOf(keyword, {"map", "clampmap", "animmap", "blendfunc", "rgbgen", "alphagen",
                             "tcgen", "tcmod", "alphafunc", "depthfunc", "depthwrite"});
}

bool isGeneralKeyword(const std::string& keyword) {
    return isOneOf(keyword,
                   {"cull", "sort", "surfaceparm", "skyparms", "fogparms", "deformvertexes",
                    "polygonoffset", "nopicmip", "nomipmaps", "qer_editorimage"});
}

// Keywords for the map compiler and the level editor: they change nothing that is drawn.
bool isToolKeyword(const std::string& keyword) {
    return keyword.rfind("q3map_", 0) == 0 || keyword.rfind("qer_", 0) == 0 ||
           keyword == "tesssize" || keyword == "light";
}

constexpr std::size_t kMaxArguments = 16;

// A keyword and the words after it on its line; parentheses around numbers are dropped.
struct KeywordLine {
    std::string_view keyword;  // as written
    std::string name;          // lower case
    int line = 0;
    std::array<std::string_view, kMaxArguments> words{};
    std::size_t count = 0;    // words kept
    std::size_t total = 0;    // words on the line
    std::size_t longest = 0;  // characters in the longest word, the keyword included

    std::string_view operator[](std::size_t i) const { return i < count ? words[i] : ""; }
};

std::string_view withoutParentheses(std::string_view word) {
    while (!word.empty() && word.front() == '(') {
        word.remove_prefix(1);
    }
    while (!word.empty() && word.back() == ')') {
        word.remove_suffix(1);
    }
    return word;
}

struct StageDraft {
    MaterialStage stage;
    bool depthWriteGiven = false;
};

class ScriptReader {
public:
    // firstLine numbers text's first line, for the body of one shader.
    ScriptReader(std::string_view scriptText, const std::string& path, const std::string& archive,
                 int firstLine = 1)
        : text(scriptText), tokens(scriptText, firstLine), scriptPath(path), archiveName(archive) {}

    void read();
    // As read, but each shader's body is passed over to its closing brace and listed in found.
    void index(std::vector<ShaderBody>& found);
    // The text is the body of the shader named name, its '{' on line.
    void readBodyOf(std::string_view name, int line) { readShader(name, line); }
    std::string label() const {
        return archiveName.empty() ? scriptPath : archiveName + ":" + scriptPath;
    }
    // The first problem, with how many followed in what was read (a script, a shader); empty
    // when there was none.
    std::string report(std::string_view what = "script") const;

    std::vector<Material> materials;
    std::vector<std::string> unknowns;

private:
    // False when the text ends inside a block.
    bool readShaders();
    bool readShader(std::string_view name, int openLine);
    bool passOver(std::string_view name, int openLine, bool nameFits);
    void neverClosed(int openLine);
    bool readShaderBody(Material& material);
    bool readStage(StageDraft& draft);
    bool skipBlock();
    KeywordLine readLine(const ScriptToken& keyword);
    bool usable(const KeywordLine& line);

    void general(Material& material, const KeywordLine& line);
    void stageKeyword(StageDraft& draft, const KeywordLine& line);
    void addStage(Material& material, StageDraft& draft, int line);

    void sort(Material& material, const KeywordLine& line);
    void skyParms(Material& material, const KeywordLine& line);
    void fogParms(Material& material, const KeywordLine& line);
    void deform(Material& material, const KeywordLine& line);
    void images(MaterialStage& stage, const KeywordLine& line);
    void animation(MaterialStage& stage, const KeywordLine& line);
    void blendFunc(MaterialStage& stage, const KeywordLine& line);
    void rgbGen(MaterialStage& stage, const KeywordLine& line);
    void alphaGen(MaterialStage& stage, const KeywordLine& line);
    void tcMod(MaterialStage& stage, const KeywordLine& line);
    bool texCoordMod(TexCoordMod& mod, const KeywordLine& line);

    template <typename T>
    void choose(T& field, Names<T> names, const KeywordLine& line);
    bool present(const KeywordLine& line, std::size_t count);
    bool numbers(const KeywordLine& line, std::size_t from, float* out, std::size_t count);
    bool wave(const KeywordLine& line, std::size_t from, Wave& out);
    // The count numbers of a deform line from word from are within kMaxDeformNumber.
    bool deformNumbersBounded(const KeywordLine& line, std::size_t from, std::size_t count);
    // A wave deform's divisor is 0 or has an inverse within kMaxDeformNumber.
    bool spreadBounded(const KeywordLine& line, float spread);
    void unknown(std::string keyword);
    void problemAt(int line, const std::string& what);
    void problem(std::string message);

    std::string_view text;
    ScriptTokenizer tokens;
    std::vector<ShaderBody>* indexed = nullptr;  // set while indexing
    const std::string& scriptPath;
    const std::string& archiveName;
    std::string_view shaderName;  // the shader being read, for messages
    std::string firstProblem;
    std::size_t problems = 0;
};

void ScriptReader::read() {
    const bool blocksClosed = readShaders();
    if (const int commentLine = tokens.unclosedCommentLine(); commentLine != 0) {
        // The comment hid the rest of the script, the brace that closes a block among it: it is
        // the problem to name, in place of that block's.
        problems += blocksClosed ? 1 : 0;
        firstProblem = "line " + std::to_string(commentLine) +
                       ": a /* comment is never closed; the rest of the script is skipped";
    }
}

bool ScriptReader::readShaders() {
    std::string_view name;
    for (;;) {
        const ScriptToken token = tokens.next();
        switch (token.kind) {
            case ScriptToken::Kind::end:
                return true;
            case ScriptToken::Kind::word:
                name = token.text;
                break;
            case ScriptToken::Kind::close:
                problemAt(token.line, "unbalanced braces (a '}' closes nothing)");
                return true;
            case ScriptToken::Kind::open:
                if (!name.empty()) {
                    if (!readShader(name, token.line)) {
                        return false;
                    }
                } else {
                    problemAt(token.line, "a block with no shader name before it");
                    if (!skipBlock()) {
                        problem("unbalanced braces (the block opened at line " +
                                std::to_string(token.line) + " is never closed)");
                        return false;
                    }
                }
                name = {};
                break;
        }
    }
}

void ScriptReader::index(std::vector<ShaderBody>& found) {
    indexed = &found;
    read();
    indexed = nullptr;
}

bool ScriptReader::readShader(std::string_view name, int openLine) {
    const bool nameFits = name.size() <= MaterialScripts::kMaxWordLength;
    if (!nameFits) {
        problemAt(openLine, "a shader name of " + std::to_string(name.size()) +
                                " characters, more than " +
                                std::to_string(MaterialScripts::kMaxWordLength) + "; skipped");
    }
    shaderName = nameFits ? name : "";
    if (indexed != nullptr) {
        return passOver(name, openLine, nameFits);
    }
    Material material;
    material.name = std::string(shaderName);
    material.script = scriptPath;
    material.archive = archiveName;
    const bool closed = readShaderBody(material);
    if (!closed) {
        neverClosed(openLine);
    } else if (nameFits) {
        if (!material.sortGiven) {
            const bool blends = !material.stages.empty() && material.stages.front().blends;
            material.sort = blends ? MaterialSort::kAdditive : MaterialSort::kOpaque;
        }
        materials.push_back(std::move(material));
    }
    shaderName = {};
    return closed;
}

bool ScriptReader::readShaderBody(Material& material) {
    for (;;) {
        const ScriptToken token = tokens.next();
        switch (token.kind) {
            case ScriptToken::Kind::end:
                return false;
            case ScriptToken::Kind::close:
                return true;
            case ScriptToken::Kind::open: {
                StageDraft draft;
                if (!readStage(draft)) {
                    return false;
                }
                addStage(material, draft, token.line);
                break;
            }
            case ScriptToken::Kind::word: {
                const KeywordLine line = readLine(token);
                if (usable(line)) {
                    general(material, line);
                }
                break;
            }
        }
    }
}

bool ScriptReader::readStage(StageDraft& draft) {
    for (;;) {
        const ScriptToken token = tokens.next();
        switch (token.kind) {
            case ScriptToken::Kind::end:
                return false;
            case ScriptToken::Kind::close:
                return true;
            case ScriptToken::Kind::open:
                problemAt(token.line, "a block inside a stage; skipped");
                if (!skipBlock()) {
                    return false;
                }
                break;
            case ScriptToken::Kind::word: {
                const KeywordLine line = readLine(token);
                if (usable(line)) {
                    stageKeyword(draft, line);
                }
                break;
            }
        }
    }
}

void ScriptReader::neverClosed(int openLine) {
    problem("unbalanced braces (the shader " + std::string(shaderName) + " opened at line " +
            std::to_string(openLine) + " is never closed)");
}

bool ScriptReader::passOver(std::string_view name, int openLine, bool nameFits) {
    const std::size_t begin = tokens.offset();
    const bool closed = skipBlock();
    if (!closed) {
        neverClosed(openLine);
    } else if (nameFits) {
        indexed->push_back({name, text.substr(begin, tokens.offset() - begin), openLine});
    }
    shaderName = {};
    return closed;
}

// After a '{': reads to its '}' with a count, however deep the text nests. False at the end.
bool ScriptReader::skipBlock() {
    std::size_t depth = 1;
    for (;;) {
        const ScriptToken token = tokens.next();
        if (token.kind == ScriptToken::Kind::end) {
            return false;
        }
        if (token.kind == ScriptToken::Kind::open) {
            ++depth;
        } else if (token.kind == ScriptToken::Kind::close && --depth == 0) {
            return true;
        }
    }
}

KeywordLine ScriptReader::readLine(const ScriptToken& keyword) {
    KeywordLine line;
    line.keyword = keyword.text;
    line.line = keyword.line;
    line.longest = keyword.text.size();
    while (const std::optional<std::string_view> word = tokens.nextWordOn(keyword.line)) {
        line.longest = std::max(line.longest, word->size());
        const std::string_view bare = withoutParentheses(*word);
        if (bare.empty()) {
            continue;
        }
        ++line.total;
        if (line.count < kMaxArguments) {
            line.words[line.count++] = bare;
        }
    }
    if (line.longest <= MaterialScripts::kMaxWordLength) {
        line.name = lowerCase(line.keyword);
    }
    return line;
}

bool ScriptReader::usable(const KeywordLine& line) {
    if (line.longest <= MaterialScripts::kMaxWordLength) {
        return true;
    }
    problemAt(line.line, "a word of " + std::to_string(line.longest) + " characters, more than " +
                             std::to_string(MaterialScripts::kMaxWordLength) +
                             "; the line is skipped");
    return false;
}

void ScriptReader::general(Material& material, const KeywordLine& line) {
    const std::string& keyword = line.name;
    if (keyword == "cull") {
        choose(material.cull, kCullModes, line);
    } else if (keyword == "sort") {
        sort(material, line);
    } else if (keyword == "surfaceparm") {
        if (present(line, 1)) {
            const std::string parm = lowerCase(line[0]);
            material.noDraw |= parm == "nodraw";
            material.sky |= parm == "sky";
            material.translucent |= parm == "trans";
            material.noLightmap |= parm == "nolightmap";
            material.fog |= parm == "fog";
        }
    } else if (keyword == "skyparms") {
        skyParms(material, line);
    } else if (keyword == "fogparms") {
        fogParms(material, line);
    } else if (keyword == "deformvertexes") {
        deform(material, line);
    } else if (keyword == "polygonoffset") {
        material.polygonOffset = true;
    } else if (keyword == "nopicmip" || keyword == "nomipmaps") {
        material.noMipmaps = true;
    } else if (keyword == "qer_editorimage") {
        if (present(line, 1) && material.editorImage.empty()) {
            material.editorImage = std::string(line[0]);
        }
    } else if (isStageKeyword(keyword)) {
        problemAt(line.line, std::string(line.keyword) + " outside a stage; skipped");
    } else if (!isToolKeyword(keyword)) {
        unknown(keyword);
    }
}

void ScriptReader::stageKeyword(StageDraft& draft, const KeywordLine& line) {
    MaterialStage& stage = draft.stage;
    const std::string& keyword = line.name;
    if (keyword == "map" || keyword == "clampmap") {
        images(stage, line);
    } else if (keyword == "animmap") {
        animation(stage, line);
    } else if (keyword == "blendfunc") {
        blendFunc(stage, line);
    } else if (keyword == "rgbgen") {
        rgbGen(stage, line);
    } else if (keyword == "alphagen") {
        alphaGen(stage, line);
    } else if (keyword == "tcgen") {
        choose(stage.texCoordGen, kTexCoordGens, line);
    } else if (keyword == "tcmod") {
        tcMod(stage, line);
    } else if (keyword == "alphafunc") {
        choose(stage.alphaTest, kAlphaTests, line);
    } else if (keyword == "depthfunc") {
        choose(stage.depthEqual, {{"lequal", false}, {"equal", true}}, line);
    } else if (keyword == "depthwrite") {
        draft.depthWriteGiven = true;
    } else if (isGeneralKeyword(keyword)) {
        unknown(keyword + " (inside a stage)");
    } else if (!isToolKeyword(keyword)) {
        unknown(keyword);
    }
}

void ScriptReader::addStage(Material& material, StageDraft& draft, int line) {
    if (material.stages.size() >= kMaxMaterialStages) {
        problemAt(line, "more than " + std::to_string(kMaxMaterialStages) +
                            " stages; the rest are dropped");
        return;
    }
    draft.stage.depthWrite = !draft.stage.blends || draft.depthWriteGiven;
    material.stages.push_back(std::move(draft.stage));
}

void ScriptReader::sort(Material& material, const KeywordLine& line) {
    if (!present(line, 1)) {
        return;
    }
    if (const std::optional<float> named = lookUp(kSortNames, line[0])) {
        material.sort = *named;
    } else if (!numbers(line, 0, &material.sort, 1)) {
        return;
    }
    material.sortGiven = true;
}

void ScriptReader::skyParms(Material& material, const KeywordLine& line) {
    if (!present(line, 1)) {
        return;
    }
    SkyParms parms;
    parms.farBox = std::string(line[0]);
    if (line.count > 1 && line[1] != "-" && !numbers(line, 1, &parms.cloudHeight, 1)) {
        return;
    }
    parms.nearBox = std::string(line[2]);
    material.skyParms = std::move(parms);
}

void ScriptReader::fogParms(Material& material, const KeywordLine& line) {
    std::array<float, 4> values{};
    if (numbers(line, 0, values.data(), values.size())) {
        material.fogParms = FogParms{{values[0], values[1], values[2]}, values[3]};
    }
}

void ScriptReader::deform(Material& material, const KeywordLine& line) {
    if (!present(line, 1)) {
        return;
    }
    Deform deform;
    // How many words from the second are numbers (or a wave's form), for the range check.
    std::size_t count = 0;
    if (sameWord(line[0], "wave")) {
        if (!numbers(line, 1, &deform.spread, 1) || !wave(line, 2, deform.wave)) {
            return;
        }
        count = 6;
    } else if (sameWord(line[0], "normal")) {
        deform.kind = DeformKind::normal;
        if (!numbers(line, 1, &deform.wave.amplitude, 1) ||
            !numbers(line, 2, &deform.wave.frequency, 1)) {
            return;
        }
        count = 2;
    } else if (sameWord(line[0], "bulge")) {
        deform.kind = DeformKind::bulge;
        if (!numbers(line, 1, deform.bulge.data(), deform.bulge.size())) {
            return;
        }
        count = 3;
    } else if (sameWord(line[0], "move")) {
        deform.kind = DeformKind::move;
        if (!numbers(line, 1, deform.vector.data(), deform.vector.size()) ||
            !wave(line, 4, deform.wave)) {
            return;
        }
        count = 8;
    } else if (sameWord(line[0], "autosprite")) {
        deform.kind = DeformKind::autosprite;
    } else if (sameWord(line[0], "autosprite2")) {
        deform.kind = DeformKind::autosprite2;
    } else {
        return;  // the other deforms are not drawn
    }
    if (!deformNumbersBounded(line, 1, count) ||
        (deform.kind == DeformKind::wave && !spreadBounded(line, deform.spread))) {
        return;
    }
    if (material.deforms.size() >= kMaxDeforms) {
        problemAt(line.line, "more than " + std::to_string(kMaxDeforms) +
                                 " deformVertexes; the rest are dropped");
        return;
    }
    material.deforms.push_back(deform);
}

void ScriptReader::images(MaterialStage& stage, const KeywordLine& line) {
    if (!present(line, 1)) {
        return;
    }
    std::string image(line[0]);
    if (image.front() == '$') {
        image = lowerCase(image);
    }
    stage.images = {std::move(image)};
    stage.clamp = line.name == "clampmap";
    stage.framesPerSecond = 0.0f;
}

void ScriptReader::animation(MaterialStage& stage, const KeywordLine& line) {
    float rate = 0.0f;
    if (!numbers(line, 0, &rate, 1)) {
        return;
    }
    const std::size_t frames = line.total - 1;
    if (frames == 0) {
        problemAt(line.line, std::string(line.keyword) + ": no images after the frame rate");
        return;
    }
    if (frames > kMaxAnimationFrames) {
        problemAt(line.line, std::string(line.keyword) + ": " + std::to_string(frames) +
                                 " images, more than " + std::to_string(kMaxAnimationFrames) +
                                 "; the rest are dropped");
    }
    stage.images.clear();
    for (std::size_t i = 1; i < line.count && stage.images.size() < kMaxAnimationFrames; ++i) {
        stage.images.emplace_back(line[i]);
    }
    stage.framesPerSecond = rate;
    stage.clamp = false;
}

void ScriptReader::blendFunc(MaterialStage& stage, const KeywordLine& line) {
    if (!present(line, 1)) {
        return;
    }
    std::optional<BlendPair> factors;
    if (line.count == 1) {
        factors = lookUp(kBlendShortForms, line[0]);
        if (!factors) {
            problemAt(line.line, std::string(line.keyword) + ": unknown blend mode " +
                                     quoted(line[0]) + "; skipped");
            return;
        }
    } else {
        const std::optional<BlendFactor> source = lookUp(kBlendFactors, line[0]);
        const std::optional<BlendFactor> destination = lookUp(kBlendFactors, line[1]);
        if (!source || !destination) {
            problemAt(line.line, std::string(line.keyword) + ": unknown blend factor " +
                                     quoted(source ? line[1] : line[0]) + "; skipped");
            return;
        }
        factors = BlendPair{*source, *destination};
    }
    stage.blends = true;
    std::tie(stage.source, stage.destination) = *factors;
}

void ScriptReader::rgbGen(MaterialStage& stage, const KeywordLine& line) {
    if (!present(line, 1)) {
        return;
    }
    if (sameWord(line[0], "const")) {
        if (numbers(line, 1, stage.colour.data(), stage.colour.size())) {
            stage.colourGen = ColourGen::constant;
        }
    } else if (sameWord(line[0], "wave")) {
        if (wave(line, 1, stage.colourWave)) {
            stage.colourGen = ColourGen::wave;
        }
    } else {
        stage.colourGen = ColourGen::identity;
        choose(stage.colourGen, kColourGens, line);
    }
}

void ScriptReader::alphaGen(MaterialStage& stage, const KeywordLine& line) {
    if (!present(line, 1)) {
        return;
    }
    if (sameWord(line[0], "const")) {
        if (numbers(line, 1, &stage.alpha, 1)) {
            stage.alphaGen = AlphaGen::constant;
        }
    } else if (sameWord(line[0], "wave")) {
        if (wave(line, 1, stage.alphaWave)) {
            stage.alphaGen = AlphaGen::wave;
        }
    } else {
        stage.alphaGen = AlphaGen::identity;
        choose(stage.alphaGen, kAlphaGens, line);
    }
}

void ScriptReader::tcMod(MaterialStage& stage, const KeywordLine& line) {
    TexCoordMod mod;
    if (!present(line, 1) || !texCoordMod(mod, line)) {
        return;
    }
    if (stage.texCoordMods.size() >= kMaxTexCoordMods) {
        problemAt(line.line, "more than " + std::to_string(kMaxTexCoordMods) +
                                 " tcMods in a stage; the rest are dropped");
        return;
    }
    stage.texCoordMods.push_back(mod);
}

bool ScriptReader::texCoordMod(TexCoordMod& mod, const KeywordLine& line) {
    const std::string kind = lowerCase(line[0]);
    float* values = mod.values.data();
    if (kind == "scroll" || kind == "scale") {
        mod.kind = kind == "scroll" ? TexCoordModKind::scroll : TexCoordModKind::scale;
        return numbers(line, 1, values, 2);
    }
    if (kind == "rotate") {
        mod.kind = TexCoordModKind::rotate;
        return numbers(line, 1, values, 1);
    }
    if (kind == "transform") {
        mod.kind = TexCoordModKind::transform;
        return numbers(line, 1, values, 6);
    }
    if (kind == "stretch") {
        mod.kind = TexCoordModKind::stretch;
        return wave(line, 1, mod.wave);
    }
    if (kind == "turb") {
        mod.kind = TexCoordModKind::turb;
        const std::size_t from = sameWord(line[1], "sin") ? 2 : 1;
        std::array<float, 4> w{};
        if (!numbers(line, from, w.data(), w.size())) {
            return false;
        }
        mod.wave = Wave{WaveForm::sine, w[0], w[1], w[2], w[3]};
        return true;
    }
    unknown(line.name + " " + kind);
    return false;
}

// Sets field to the value line's first word names; a word it does not know leaves field as it
// is and is noted as not understood.
template <typename T>
void ScriptReader::choose(T& field, Names<T> names, const KeywordLine& line) {
    if (!present(line, 1)) {
        return;
    }
    if (const std::optional<T> value = lookUp(names, line[0])) {
        field = *value;
    } else {
        unknown(line.name + " " + lowerCase(line[0]));
    }
}

bool ScriptReader::present(const KeywordLine& line, std::size_t count) {
    if (line.count >= count && !line[count - 1].empty()) {
        return true;
    }
    problemAt(line.line, std::string(line.keyword) + ": a value is missing; skipped");
    return false;
}

bool ScriptReader::numbers(const KeywordLine& line, std::size_t from, float* out,
                           std::size_t count) {
    std::array<float, kMaxArguments> parsed{};
    for (std::size_t i = 0; i < count; ++i) {
        if (!present(line, from + i + 1)) {
            return false;
        }
        const std::optional<double> value = parseNumber(line[from + i]);
        if (!value || std::abs(*value) > kMaxScriptNumber) {
            problemAt(line.line, std::string(line.keyword) + ": " + quoted(line[from + i]) +
                                     (value ? " is beyond a float's range; skipped"
                                            : " is not a number; skipped"));
            return false;
        }
        parsed[i] = static_cast<float>(*value);
    }
    std::copy_n(parsed.begin(), count, out);
    return true;
}

bool ScriptReader::deformNumbersBounded(const KeywordLine& line, std::size_t from,
                                        std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i) {
        // A wave's form is the one word among the numbers.
        const std::optional<double> value = parseNumber(line[i]);
        if (value && std::abs(*value) > double(kMaxDeformNumber)) {
            problemAt(line.line, std::string(line.keyword) + " " + lowerCase(line[0]) + ": " +
                                     quoted(line[i]) + " is beyond " +
                                     std::to_string(int(kMaxDeformNumber)) + "; skipped");
            return false;
        }
    }
    return true;
}

bool ScriptReader::spreadBounded(const KeywordLine& line, float spread) {
    // Its inverse multiplies positions: one beyond the bound would put the phase out of reach.
    if (spread != 0.0f && std::abs(spread) < 1.0f / kMaxDeformNumber) {
        problemAt(line.line, std::string(line.keyword) + " " + lowerCase(line[0]) + ": " +
                                 quoted(line[1]) + " is too small a divisor; skipped");
        return false;
    }
    return true;
}

bool ScriptReader::wave(const KeywordLine& line, std::size_t from, Wave& out) {
    if (!present(line, from + 1)) {
        return false;
    }
    const std::optional<WaveForm> form = lookUp(kWaveForms, line[from]);
    if (!form) {
        problemAt(line.line, std::string(line.keyword) + ": unknown wave form " +
                                 quoted(line[from]) + "; skipped");
        return false;
    }
    std::array<float, 4> w{};
    if (!numbers(line, from + 1, w.data(), w.size())) {
        return false;
    }
    out = Wave{*form, w[0], w[1], w[2], w[3]};
    return true;
}

void ScriptReader::unknown(std::string keyword) {
    unknowns.push_back(std::move(keyword));
}

void ScriptReader::problemAt(int line, const std::string& what) {
    std::string message = "line " + std::to_string(line) + ": ";
    if (!shaderName.empty()) {
        message += "shader " + std::string(shaderName) + ": ";
    }
    problem(message + what);
}

void ScriptReader::problem(std::string message) {
    if (problems++ == 0) {
        firstProblem = std::move(message);
    }
}

std::string ScriptReader::report(std::string_view what) const {
    if (problems == 0) {
        return {};
    }
    std::string line = label() + ": " + firstProblem;
    if (problems > 1) {
        line += " (and " + std::to_string(problems - 1) + " more problem" +
                (problems > 2 ? "s" : "") + " in this " + std::string(what) + ")";
    }
    return line;
}

}  // namespace

void MaterialScripts::addScript(const std::string& scriptPath, const std::string& archiveName,
                                std::string_view text, std::ostream& log) {
    ScriptReader reader(text, scriptPath, archiveName);
    reader.read();
    for (Material& material : reader.materials) {
        define(std::move(material));
    }
    for (std::string& keyword : reader.unknowns) {
        if (unknownSeen.insert(keyword).second) {
            unknown.emplace_back(std::move(keyword), reader.label());
        }
    }
    if (const std::string report = reader.report(); !report.empty()) {
        log << report << '\n';
    }
}

std::vector<ShaderBody> indexShaders(std::string_view text, const std::string& scriptPath,
                                     const std::string& archiveName, std::ostream& log) {
    ScriptReader reader(text, scriptPath, archiveName);
    std::vector<ShaderBody> found;
    reader.index(found);
    if (const std::string report = reader.report(); !report.empty()) {
        log << report << '\n';
    }
    return found;
}

Material readShaderBody(const ShaderBody& shader, const std::string& scriptPath,
                        const std::string& archiveName, std::ostream& log) {
    ScriptReader reader(shader.body, scriptPath, archiveName, shader.line);
    reader.readBodyOf(shader.name, shader.line);
    if (const std::string report = reader.report("shader"); !report.empty()) {
        log << report << '\n';
    }
    // An indexed body is closed and its name fits, so the reader keeps its material.
    return reader.materials.empty() ? Material{} : std::move(reader.materials.front());
}

namespace {

std::string sourceLabel(const Material& material) {
    return material.archive.empty() ? material.script : material.archive + ":" + material.script;
}

}  // namespace

void MaterialScripts::define(Material material) {
    std::string key = lowerCase(material.name);
    const auto [at, added] = byName.try_emplace(key, all.size());
    if (added) {
        all.push_back(std::move(material));
        return;
    }
    std::vector<std::string>& sources = definitions[std::move(key)];
    if (sources.empty()) {
        sources.push_back(sourceLabel(all[at->second]));
    }
    sources.push_back(sourceLabel(material));
    if (all[at->second].archive != material.archive) {
        all[at->second] = std::move(material);
    }
}

const std::vector<std::string>* MaterialScripts::definitionsOf(std::string_view shaderName) const {
    const auto found = definitions.find(lowerCase(shaderName));
    return found == definitions.end() ? nullptr : &found->second;
}

const Material* MaterialScripts::find(std::string_view shaderName) const {
    const auto found = byName.find(lowerCase(shaderName));
    return found == byName.end() ? nullptr : &all[found->second];
}
