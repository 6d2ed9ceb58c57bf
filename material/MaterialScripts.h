// MaterialScripts: every scripts/*.shader of a data path read into Material records, found by
// shader name without regard to case.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "material/Material.h"
#include "material/MaterialFinder.h"

class AssetStore;

// One shader of a script as an index finds it, its body not yet read: views into the script's
// text of its name and of its body (from just after its '{' to its '}'), and the line of the '{'.
struct ShaderBody {
    std::string_view name;
    std::string_view body;
    int line = 0;
};

// The shaders of one script's text in order, as MaterialScripts::addScript would define them,
// with their bodies passed over by their braces alone. The problems of the script's layout
// (braces that do not balance, a block with no name, a name too long) are one line on log naming
// the archive and the script.
std::vector<ShaderBody> indexShaders(std::string_view text, const std::string& scriptPath,
                                     const std::string& archiveName, std::ostream& log);
// One indexed shader read into the Material addScript would make of it; the body's problems are
// one line on log naming the archive, the script and the line.
Material readShaderBody(const ShaderBody& shader, const std::string& scriptPath,
                        const std::string& archiveName, std::ostream& log);

class MaterialScripts : public MaterialFinder {
public:
    MaterialScripts() = default;
    // Reads every copy of each script the store holds, the archives' in archive order and then
    // the folder's, so a shader defined in more than one place takes the definition from where an
    // image would be read.
    MaterialScripts(const AssetStore& assets, std::ostream& log);

    // Adds the shaders of one script; archiveName is the archive's file name, empty for a folder
    // file. A shader already defined by another archive (or the folder) is replaced; one already
    // defined from the same archive, or earlier in the same script, keeps its first definition.
    // The script's problems are at most one line on log, naming the archive and the script; the
    // shaders the text allows are kept.
    void addScript(const std::string& scriptPath, const std::string& archiveName,
                   std::string_view text, std::ostream& log);

    const Material* find(std::string_view shaderName) const override;
    std::size_t size() const { return all.size(); }
    // In the order they were first defined.
    const std::vector<Material>& materials() const { return all; }
    // Each keyword not understood (lower case; a known keyword with a value not understood is
    // "keyword value"), once, with the first script it is in ("pak0.pk3:scripts/x.shader").
    std::vector<std::pair<std::string, std::string>> unknownKeywords() const { return unknown; }
    // Where a shader defined more than once was defined, in reading order, each as the unknown
    // keywords name their script; null for a shader defined once or not at all. find() tells
    // which definition stands.
    const std::vector<std::string>* definitionsOf(std::string_view shaderName) const;

    // Longer words are refused: no name or keyword in a script comes near this.
    static constexpr std::size_t kMaxWordLength = 1024;

private:
    // Keeps material unless an earlier definition from the same source stands.
    void define(Material material);

    std::vector<Material> all;
    std::unordered_map<std::string, std::size_t> byName;  // lower-case name to index in all
    std::vector<std::pair<std::string, std::string>> unknown;
    std::unordered_set<std::string> unknownSeen;
    // Lower-case name to its definitions' scripts, for the names defined more than once.
    std::unordered_map<std::string, std::vector<std::string>> definitions;
};
