// Reads the viewer's configuration file: key, separator and value tokens, each entry echoed on the
// log stream as it is taken.
#include "app/Config.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <sstream>

namespace {

// A configuration is a handful of short lines; anything larger is not one (and a device such as
// /dev/zero would otherwise be read for ever).
constexpr std::size_t kMaxConfigBytes = 64 * 1024;

void say(std::ostream& log, const std::string& line) {
    log << line << std::endl;
}

// The token as a window size when it is a whole number from 1 to kMaxWindowSize and nothing else;
// otherwise 0.
int windowSizeOf(const std::string& token) {
    if (token.empty()) {
        return 0;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(token.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > kMaxWindowSize) {
        return 0;
    }
    return static_cast<int>(value);
}

bool readWholeFile(const std::string& path, std::string& text, std::ostream& log) {
    errno = 0;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        say(log, path + ": cannot open the configuration file: " + std::strerror(errno));
        return false;
    }
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        text.append(buffer, count);
        if (text.size() > kMaxConfigBytes) {
            say(log, path + ": not a configuration file: larger than " +
                         std::to_string(kMaxConfigBytes) + " bytes");
            return false;
        }
    }
    if (std::ferror(file.get())) {
        say(log, path + ": cannot read the configuration file: " + std::strerror(errno));
        return false;
    }
    return true;
}

struct TextKey {
    const char* key;
    std::string ViewerConfig::*value;
    const char* echo;
};

constexpr TextKey kTextKeys[] = {
    {"bpp", &ViewerConfig::bpp, "setting "},
    {"vsync", &ViewerConfig::vsync, "setting "},
    {"datapath", &ViewerConfig::dataPath, "setting "},
    {"level", &ViewerConfig::levelFile, "setting "},
    {"lights", &ViewerConfig::lightingFile, "lighting file "},
};

// A size that is no window size is echoed like any other, then named with the size used instead.
bool readSize(const std::string& path, const std::string& key, int defaultSize, std::istream& in,
              int& size, bool& given, std::ostream& log) {
    std::string token;
    if (!(in >> token)) {
        return false;
    }
    given = true;
    say(log, "setting " + token);
    size = windowSizeOf(token);
    if (size == 0) {
        size = defaultSize;
        say(log, path + ": " + key + " " + token + " is not a whole number from 1 to " +
                     std::to_string(kMaxWindowSize) + ", using " + std::to_string(size));
    }
    return true;
}

bool readStart(std::istream& in, Point& start, std::ostream& log) {
    int x = 0;
    int y = 0;
    int z = 0;
    if (!(in >> x >> y >> z)) {
        return false;
    }
    start = Point(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    say(log,
        "starting at " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(z));
    return true;
}

// A positive finite number, or a line naming the file, the key and the value, and the default kept.
bool readPositive(const std::string& path, const std::string& key, std::istream& in, float& value,
                  std::ostream& log) {
    std::string token;
    if (!(in >> token)) {
        return false;
    }
    say(log, "setting " + token);
    char* end = nullptr;
    const double number = std::strtod(token.c_str(), &end);
    if (end == token.c_str() || *end != '\0' || !std::isfinite(number) || number <= 0.0 ||
        number > FLT_MAX) {
        say(log, path + ": " + key + " must be a positive number, not " + token + "; using " +
                     std::to_string(value));
        return true;
    }
    value = static_cast<float>(number);
    return true;
}

struct SwitchKey {
    const char* key;
    bool ViewerConfig::*value;
};

constexpr SwitchKey kSwitchKeys[] = {
    {"lightmaps", &ViewerConfig::lightmaps}, {"textures", &ViewerConfig::textures},
    {"entities", &ViewerConfig::entities},   {"markers", &ViewerConfig::markers},
    {"stats", &ViewerConfig::stats},
};

// "on" or "off"; any other value leaves the switch off, with a line that says so (a switch that
// starts on, as the markers do, "is" off rather than "stays" off).
bool readSwitch(const std::string& key, std::istream& in, bool& value, std::ostream& log) {
    std::string token;
    if (!(in >> token)) {
        return false;
    }
    const bool wasOn = value;
    value = token == "on";
    say(log, "setting " + token);
    if (token != "on" && token != "off") {
        say(log,
            key + " must be on or off, not " + token + (wasOn ? "; it is off" : "; it stays off"));
    }
    return true;
}

// Takes the value of one entry. False when the value could not be read, which ends the reading.
bool readValue(const std::string& path, const std::string& key, std::istream& in,
               ViewerConfig& config, std::ostream& log) {
    if (key == "mouse_sensitivity") {
        return readPositive(path, key, in, config.mouseSensitivity, log);
    }
    if (key == "speed") {
        return readPositive(path, key, in, config.speed, log);
    }
    if (key == "width") {
        return readSize(path, key, kDefaultWindowWidth, in, config.width, config.widthGiven, log);
    }
    if (key == "height") {
        return readSize(path, key, kDefaultWindowHeight, in, config.height, config.heightGiven,
                        log);
    }
    if (key == "start_vec") {
        return readStart(in, config.start, log);
    }
    for (const SwitchKey& switchKey : kSwitchKeys) {
        if (key == switchKey.key) {
            return readSwitch(key, in, config.*switchKey.value, log);
        }
    }
    for (const TextKey& textKey : kTextKeys) {
        if (key == textKey.key) {
            std::string token;
            if (!(in >> token)) {
                return false;
            }
            config.*textKey.value = token;
            say(log, textKey.echo + token);
            return true;
        }
    }
    // An unknown key takes no value: the token after its separator is read as the next key.
    say(log, "unknown property" + key);
    return true;
}

void reportDefaultSize(const std::string& path, const ViewerConfig& config, std::ostream& log) {
    if (config.widthGiven && config.heightGiven) {
        return;
    }
    std::string line = path + ": ";
    if (!config.widthGiven && !config.heightGiven) {
        line += "no width or height given, using " + std::to_string(config.width) + "x" +
                std::to_string(config.height);
    } else if (!config.widthGiven) {
        line += "no width given, using " + std::to_string(config.width);
    } else {
        line += "no height given, using " + std::to_string(config.height);
    }
    say(log, line);
}

}  // namespace

bool readConfig(const std::string& path, ViewerConfig& config, std::ostream& log) {
    std::string text;
    if (!readWholeFile(path, text, log)) {
        return false;
    }
    std::istringstream in(text);
    std::string key;
    std::string separator;
    while (in >> key) {
        in >> separator;  // its text is not examined
        if (!readValue(path, key, in, config, log)) {
            say(log, path + ": could not read the value of " + key);
            break;
        }
    }
    reportDefaultSize(path, config, log);
    return true;
}
