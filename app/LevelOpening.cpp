// The level forms of the command line and the data folders behind them.
#include "app/LevelOpening.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string_view>

#include "level/LevelFile.h"
#include "assets/AssetStore.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kListOption = "--list";
constexpr std::string_view kDataOption = "--data";
constexpr std::string_view kAtOption = "--at";
// Spawn angles turn counter-clockwise from file +x; the camera's yaw turns clockwise from file +y.
constexpr float kYawOfFileX = 90.0f;

bool endsWithBsp(const std::string& text) {
    return text.size() >= 4 && lowerCase(text.substr(text.size() - 4)) == ".bsp";
}

bool looksLikeName(const std::string& text) {
    std::error_code error;
    return !text.empty() && text.front() != '-' && text.find('/') == std::string::npos &&
           fs::path(text).extension().empty() && !fs::exists(text, error);
}

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

}  // namespace

LaunchForm formOf(const std::string& argument) {
    if (endsWithBsp(argument)) {
        return LaunchForm::kLevelPath;
    }
    return looksLikeName(argument) ? LaunchForm::kLevelName : LaunchForm::kConfiguration;
}

std::optional<LaunchRequest> readLaunchRequest(int argc, char** argv, std::ostream& log) {
    LaunchRequest request;
    if (argc < 2) {
        return request;
    }
    const std::string first = argv[1];
    if (first != kListOption && first != kDataOption &&
        formOf(first) == LaunchForm::kConfiguration) {
        request.argument = first;
        return request;
    }
    bool list = false;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument == kListOption) {
            list = true;
        } else if (argument == kDataOption) {
            if (index + 1 >= argc) {
                log << "--data needs a folder" << std::endl;
                return std::nullopt;
            }
            request.givenDataFolders.push_back(argv[++index]);
        } else if (argument == kAtOption) {
            EyePose pose;
            const std::string problem =
                index + 1 < argc ? readEyePose(argv[index + 1], 3, pose) : "needs a pose";
            if (!problem.empty()) {
                log << kAtOption << (index + 1 < argc ? std::string(" ") + argv[index + 1] : "")
                    << ": " << problem << std::endl;
                return std::nullopt;
            }
            ++index;
        } else if (!argument.empty() && argument.front() == '-') {
            log << argument << ": not an option of the level forms (--data DIR, --list)"
                << std::endl;
            return std::nullopt;
        } else if (!request.argument.empty()) {
            log << argument << ": one level at a time (" << request.argument << " given first)"
                << std::endl;
            return std::nullopt;
        } else {
            request.argument = argument;
        }
    }
    if (list) {
        if (!request.argument.empty()) {
            log << request.argument << ": --list takes no level" << std::endl;
            return std::nullopt;
        }
        request.form = LaunchForm::kList;
    } else if (const LaunchForm form = formOf(request.argument);
               form != LaunchForm::kConfiguration) {
        request.form = form;
    } else {
        log << (request.argument.empty() ? "no level given"
                                         : request.argument +
                                               ": not a level "
                                               "path (.bsp) or name")
            << std::endl;
        return std::nullopt;
    }
    return request;
}

EyePoseArgument eyePoseArgument(int argc, char** argv) {
    EyePoseArgument found;
    if (argc < 2 || (argv[1] != kListOption && argv[1] != kDataOption &&
                     formOf(argv[1]) == LaunchForm::kConfiguration)) {
        return found;
    }
    for (int index = 1; index < argc; ++index) {
        if (argv[index] != kAtOption) {
            continue;
        }
        if (index + 1 >= argc) {
            return {std::nullopt, std::string(kAtOption) + ": needs X,Y,Z[,YAW[,PITCH]]"};
        }
        EyePose pose;
        if (const std::string problem = readEyePose(argv[index + 1], 3, pose); !problem.empty()) {
            return {std::nullopt, std::string(kAtOption) + " " + argv[index + 1] + ": " + problem};
        }
        found.pose = pose;
        ++index;
    }
    return found;
}

void startAt(ViewerConfig& config, const EyePose& pose) {
    config.startAtFirstSpawn = false;
    config.start = pose.position;
    config.startPose = pose;
}

std::vector<std::string> installPlaces(const std::string& home) {
    std::vector<std::string> places = {"/usr/share/games/openarena/baseoa/"};
    if (!home.empty()) {
        places.push_back(withSlash(home) + ".openarena/baseoa/");
        places.push_back(withSlash(home) + ".q3a/baseq3/");
    }
    return places;
}

std::string modFolderOf(const std::string& levelPath) {
    const fs::path parent = fs::path(levelPath).parent_path();
    if (lowerCase(parent.filename().string()) != "maps") {
        return "";
    }
    const std::string mod = parent.parent_path().string();
    return mod.empty() ? "./" : withSlash(mod);
}

std::vector<std::string> dataFoldersFor(const std::vector<std::string>& given,
                                        const std::vector<std::string>& places,
                                        const std::string& levelPath) {
    std::vector<std::string> folders;
    for (const std::string& folder : given) {
        folders.push_back(withSlash(folder));
    }
    if (folders.empty()) {
        std::error_code error;
        const auto found =
            std::find_if(places.begin(), places.end(),
                         [&](const std::string& place) { return fs::is_directory(place, error); });
        if (found != places.end()) {
            folders.push_back(withSlash(*found));
        }
    }
    if (const std::string mod = modFolderOf(levelPath); !mod.empty()) {
        folders.push_back(mod);
    }
    // A folder named twice is searched once, where it wins most.
    std::vector<std::string> unique;
    for (std::size_t index = 0; index < folders.size(); ++index) {
        const auto later =
            std::find(folders.begin() + std::ptrdiff_t(index) + 1, folders.end(), folders[index]);
        if (later == folders.end()) {
            unique.push_back(folders[index]);
        }
    }
    return unique;
}

std::string folderListText(const std::vector<std::string>& folders) {
    std::string text;
    for (const std::string& folder : folders) {
        text += (text.empty() ? "" : " ") + folder;
    }
    return text;
}

ViewerConfig levelConfig(const LaunchRequest& request, std::vector<std::string> dataFolders) {
    ViewerConfig config;
    config.widthGiven = true;
    config.heightGiven = true;
    config.lightmaps = true;
    config.textures = true;
    config.entities = true;
    config.markers = true;
    config.startAtFirstSpawn = true;
    if (request.form == LaunchForm::kLevelName) {
        config.levelFile = "maps/" + request.argument + ".bsp";
        config.levelInDataFolders = true;
    } else {
        config.levelFile = request.argument;
    }
    config.dataPath = dataFolders.empty() ? std::string() : dataFolders.back();
    config.dataFolders = std::move(dataFolders);
    return config;
}

ViewerConfig levelConfigForUser(const LaunchRequest& request) {
    const char* home = std::getenv("HOME");
    return levelConfig(
        request, dataFoldersFor(request.givenDataFolders,
                                installPlaces(home != nullptr ? home : ""), request.argument));
}

std::unique_ptr<LazyAssetStore> storeFor(const ViewerConfig& config, std::ostream& log) {
    return std::make_unique<LazyAssetStore>(config.searchPath(), log);
}

std::optional<LevelSource> findLevel(const ViewerConfig& config, const std::string& levelFile,
                                     LazyAssetStore& store, std::ostream& log) {
    if (!config.levelInDataFolders || levelFile != config.levelFile) {
        return LevelSource{levelFile, levelFile, false};
    }
    const AssetStore& assets = store.get();
    if (!assets.contains(levelFile)) {
        log << levelFile << ": not in the data folders "
            << (config.dataFolders.empty() ? "(none: no --data given and no install place exists)"
                                           : folderListText(config.dataFolders))
            << std::endl;
        return std::nullopt;
    }
    const std::string folderFile = assets.folderFile(levelFile);
    if (!folderFile.empty()) {
        return LevelSource{folderFile, folderFile, false};
    }
    return LevelSource{levelFile, assets.describe(levelFile), true};
}

std::string readLevelSource(const LevelSource& source, LazyAssetStore& store,
                            std::vector<std::uint8_t>& bytes) {
    if (source.inArchive) {
        return store.get().read(source.path, bytes) ? "" : "cannot be read from its archive";
    }
    std::ifstream stream;
    return readLevelBytes(stream, source.path, bytes, store);
}

std::vector<ListedLevel> listLevels(const AssetStore& store) {
    // Later copies override earlier ones, as read() finds them.
    std::map<std::string, ListedLevel> byName;
    for (const AssetStore::Copy& copy : store.copies("maps", ".bsp")) {
        const std::string name = fs::path(copy.relativePath).stem().string();
        byName[lowerCase(name)] =
            ListedLevel{name, copy.archive.empty() ? store.pathOf(copy) : copy.archive};
    }
    std::vector<ListedLevel> levels;
    for (auto& [key, level] : byName) {
        levels.push_back(std::move(level));
    }
    return levels;
}

bool asksForLevelList(int argc, char** argv) {
    if (argc < 2 || (argv[1] != kListOption && argv[1] != kDataOption)) {
        return false;
    }
    for (int index = 1; index < argc; ++index) {
        if (argv[index] == kListOption) {
            return true;
        }
    }
    return false;
}

int printLevelList(int argc, char** argv, std::ostream& out, std::ostream& log) {
    const std::optional<LaunchRequest> request = readLaunchRequest(argc, argv, log);
    if (!request) {
        return 1;
    }
    const char* home = std::getenv("HOME");
    const std::vector<std::string> folders =
        dataFoldersFor(request->givenDataFolders, installPlaces(home != nullptr ? home : ""), "");
    if (folders.empty()) {
        log << "no data folder: none of the install places exists; give --data DIR" << std::endl;
        return 1;
    }
    const AssetStore store(folders, log);
    for (const ListedLevel& level : listLevels(store)) {
        out << level.name << " " << level.source << "\n";
    }
    out << std::flush;
    return 0;
}

int cameraYawOf(float spawnAngleDegrees) {
    const long degrees = std::lround(std::fmod(kYawOfFileX - spawnAngleDegrees, 360.0f));
    return static_cast<int>(degrees);
}

Point eyeAt(const PlayerSpawn& spawn) {
    Point eye = spawn.origin;
    eye.addY(kPlayerEyeHeight);
    return eye;
}

std::string spawnLine(std::size_t index, std::size_t count, const PlayerSpawn& spawn) {
    const Point eye = eyeAt(spawn);
    std::ostringstream line;
    // Adding zero turns the axis change's -0 into 0.
    line << "spawn " << index + 1 << " of " << count << ": " << spawn.className << " at "
         << eye.getX() + 0.0f << " " << eye.getY() + 0.0f << " " << eye.getZ() + 0.0f;
    return line.str();
}
