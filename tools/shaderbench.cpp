// velmora-shaderbench: what a data path's shader scripts cost a level that uses a few of their
// shaders: writes (once) a script of many small generated shaders into a data folder, then reads
// the folder's scripts as the viewer does (an index, then the bodies asked for) or, with
// --whole, every body, and prints the time taken and the peak resident memory.
#include <sys/resource.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>

#include "assets/AssetStore.h"
#include "material/LazyMaterials.h"
#include "material/MaterialScripts.h"
#include "material/ShaderIndex.h"
#include "texture/TextureCache.h"

namespace {

constexpr int kBadArgumentStatus = 2;
constexpr int kFailedStatus = 1;
constexpr char kScript[] = "scripts/generated.shader";

struct Options {
    std::string folder;
    int shaders = 1'000'000;
    int uses = 100;
    bool whole = false;
};

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::string shaderName(int i) {
    return "textures/generated/s" + std::to_string(i);
}

// A lightmapped image with a scroll: a few lines, as most of a game's shaders are.
void writeScript(const std::filesystem::path& file, int shaders) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << "// " << shaders << " generated shaders\n";
    for (int i = 0; i < shaders; ++i) {
        const std::string name = shaderName(i);
        out << name << "\n{\n\t{\n\t\tmap " << name
            << ".tga\n\t\ttcMod scroll 0.5 0\n\t}\n\t{\n\t\tmap $lightmap\n\t\tblendFunc filter\n"
               "\t}\n}\n";
    }
}

// The first line of the script says how many shaders it holds.
bool scriptHolds(const std::filesystem::path& file, int shaders) {
    std::ifstream in(file);
    std::string first;
    std::getline(in, first);
    return first == "// " + std::to_string(shaders) + " generated shaders";
}

// Every stride-th shader of the script, as a level's faces would ask for them.
template <typename Finder>
int findSpread(const Finder& finder, const Options& options) {
    int found = 0;
    const int stride = std::max(1, options.shaders / std::max(1, options.uses));
    for (int i = 0, asked = 0; asked < options.uses && i < options.shaders; i += stride, ++asked) {
        found += finder.find(shaderName(i)) != nullptr ? 1 : 0;
    }
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Times reading a data folder's shader scripts with a generated script of many "
        "small shaders in it.",
        "velmora-shaderbench"};
    Options options;
    app.add_option("FOLDER", options.folder,
                   "data folder; its scripts/generated.shader is written "
                   "when it does not hold the shaders asked for")
        ->required();
    app.add_option("--shaders", options.shaders,
                   "generated shaders (default 1000000); 0 times the folder's own scripts alone")
        ->check(CLI::Range(0, 20'000'000));
    app.add_option("--uses", options.uses, "shaders a level asks for (default 100)")
        ->check(CLI::Range(0, 1'000'000));
    app.add_flag("--whole", options.whole, "read every shader's body, not the index");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        std::cerr << error.what() << '\n' << app.help();
        return kBadArgumentStatus;
    }
    const std::filesystem::path script = std::filesystem::path(options.folder) / kScript;
    if (options.shaders == 0) {
        options.uses = 0;
    } else if (!scriptHolds(script, options.shaders)) {
        const auto start = std::chrono::steady_clock::now();
        writeScript(script, options.shaders);
        std::cout << "written: " << script.string() << ", " << std::filesystem::file_size(script)
                  << " bytes in " << std::fixed << std::setprecision(0) << millisecondsSince(start)
                  << " ms\n";
    }
    const double before = peakMegabytes();
    const auto start = std::chrono::steady_clock::now();
    const AssetStore assets(options.folder, std::cerr);
    int found = 0;
    double readMs = 0.0;
    double findMs = 0.0;
    std::size_t defined = 0;
    if (options.whole) {
        const MaterialScripts scripts(assets, std::cerr);
        readMs = millisecondsSince(start);
        defined = scripts.size();
        const auto findStart = std::chrono::steady_clock::now();
        found = findSpread(scripts, options);
        findMs = millisecondsSince(findStart);
    } else {
        TextureCache cache;
        const std::shared_ptr<const ShaderIndex> index = cache.scripts(assets, std::cerr);
        readMs = millisecondsSince(start);
        defined = index->size();
        const auto findStart = std::chrono::steady_clock::now();
        found = findSpread(LazyMaterials(index, std::cerr), options);
        findMs = millisecondsSince(findStart);
    }
    std::cout << std::fixed << std::setprecision(1) << (options.whole ? "whole" : "index")
              << ": shaders " << defined << ", read " << readMs << " ms, " << found
              << " found and read in " << findMs << " ms; peak resident " << peakMegabytes()
              << " MB (" << before << " MB before reading)\n";
    return found == std::min(options.uses, options.shaders) ? 0 : kFailedStatus;
}
