// Opening a level without a configuration file: the command line's forms, the data folders a
// level is searched in, the list of levels they hold, and where the eye stands at a spawn.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/EyePose.h"
#include "geometry/Point.h"
#include "level/Entities.h"

class AssetStore;
class LazyAssetStore;

enum class LaunchForm { kConfiguration, kLevelPath, kLevelName, kList };

struct LaunchRequest {
    LaunchForm form = LaunchForm::kConfiguration;
    // The configuration file or level path, or the level's name; empty for the list.
    std::string argument;
    // Given with --data, in order.
    std::vector<std::string> givenDataFolders;
};

// The form a lone argument names: a path ending in .bsp (any case) is a level path; a name with
// no '/', no extension and no leading '-' that is no file here is a level name; anything else is
// a configuration file.
LaunchForm formOf(const std::string& argument);

// argv[1] names the form: "--list"; a path ending in .bsp (any case); a name with no '/', no
// extension and no leading '-' that is no file here; else a configuration file, read as before
// (the rest of the line then goes to GLUT). Nothing, after one line on log, for an option it does
// not know, --data without a folder, --at without a pose a level can start at, or a second level.
std::optional<LaunchRequest> readLaunchRequest(int argc, char** argv, std::ostream& log);
// The --at of a level form's command line (the last one given): its pose, or the line that names
// what does not read in it, for the usage error the viewer exits with. Neither for a
// configuration's command line, whose rest goes to GLUT.
struct EyePoseArgument {
    std::optional<EyePose> pose;
    std::string problem;
};
EyePoseArgument eyePoseArgument(int argc, char** argv);
// The eye of config starts at pose rather than at the first spawn.
void startAt(ViewerConfig& config, const EyePose& pose);

// The usual install places of the game data, in the order they are tried; home is $HOME.
std::vector<std::string> installPlaces(const std::string& home);
// The folder that holds levelPath's maps/ folder, ending with '/' ("/home/me/mymod/" for
// /home/me/mymod/maps/test.bsp, "./" for maps/test.bsp); "" when the level is not in a maps/.
std::string modFolderOf(const std::string& levelPath);
// The data folders of a level opened without a configuration, the winning one last: the given
// ones, else the first of places that is a folder; then the level's own mod folder. Each ends
// with '/'; a folder is not listed twice (its later place wins).
std::vector<std::string> dataFoldersFor(const std::vector<std::string>& given,
                                        const std::vector<std::string>& places,
                                        const std::string& levelPath);
// The "root directory:" line's value: the folders in the order they are searched, the winning one
// last, separated by spaces.
std::string folderListText(const std::vector<std::string>& folders);

// The configuration of a level opened by path or name: 1024 x 768, the lit view and face images
// on, the eye at the first player spawn.
ViewerConfig levelConfig(const LaunchRequest& request, std::vector<std::string> dataFolders);
// The same with the data folders the viewer searches: the given ones, else the first install
// place under $HOME that exists, then the level's mod folder.
ViewerConfig levelConfigForUser(const LaunchRequest& request);

// The store of config's data folders (of its data path when it names none), opened on first use.
std::unique_ptr<LazyAssetStore> storeFor(const ViewerConfig& config, std::ostream& log);

// Where a level is read from.
struct LevelSource {
    // The file to read, or the entry's name when the level is in an archive.
    std::string path;
    // What its messages call it: the path, or ARCHIVE.pk3:maps/NAME.bsp.
    std::string shownName;
    bool inArchive = false;
};
// Where levelFile of config is read from. A level given by name is looked up in the data folders
// only (a folder's copy is read as a file); nothing, after one line on log naming the level and
// the folders searched, when none of them holds it. Any other level is its path as written, and
// the store is not opened for it.
std::optional<LevelSource> findLevel(const ViewerConfig& config, const std::string& levelFile,
                                     LazyAssetStore& store, std::ostream& log);
// The level's bytes: an archive's entry from the archive alone, never from a file of the same
// name under the working directory; a file as readLevelBytes finds it. Empty, or the problem.
std::string readLevelSource(const LevelSource& source, LazyAssetStore& store,
                            std::vector<std::uint8_t>& bytes);

struct ListedLevel {
    std::string name;
    // The archive's file name, or the path of a level file in a folder.
    std::string source;
};
// Every maps/*.bsp the store holds, the winning copy of each name, sorted by name. Reads the
// archives' directories, not their entries.
std::vector<ListedLevel> listLevels(const AssetStore& store);

// True when the command line is the list form (--list, with --data folders or none).
bool asksForLevelList(int argc, char** argv);
// velmora --list: one line "NAME SOURCE" per level of the data folders (the given ones, else the
// first install place that exists) on out. Exit status: 0, or 1 after a line on log for a bad
// command line or no data folder.
int printLevelList(int argc, char** argv, std::ostream& out, std::ostream& log);

// A player's eye is this far above the spawn origin.
inline constexpr float kPlayerEyeHeight = 26.0f;
// The camera's yaw (Camera::setYaw, 0 looks along viewer -z, file +y) that looks along a spawn's
// angle (degrees about the file's vertical axis, 0 along file +x), to the nearest degree.
int cameraYawOf(float spawnAngleDegrees);
Point eyeAt(const PlayerSpawn& spawn);
// "spawn K of N: CLASSNAME at X Y Z" with the eye's position, K 1-based.
std::string spawnLine(std::size_t index, std::size_t count, const PlayerSpawn& spawn);
