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

#include "texture/Material.h"

class AssetStore;

class MaterialScripts {
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

    const Material* find(std::string_view shaderName) const;
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
