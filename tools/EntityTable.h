// The entity table velmora-info and velmora-probe print: the count, then each class name (byte
// order) with how many entities have it.
#pragma once

#include <map>
#include <ostream>
#include <string>

#include "level/Entities.h"

inline void printEntityTable(const EntityList& list, std::ostream& out) {
    std::map<std::string, std::size_t> byClass;
    for (const Entity& entity : list.entities) {
        ++byClass[std::string(entity.className())];
    }
    out << "entities " << list.entities.size() << '\n';
    for (const auto& [className, count] : byClass) {
        out << "  " << (className.empty() ? "(no classname)" : className) << ' ' << count << '\n';
    }
}

// The same for a level's text; each problem with it is one line on log naming the file, and the
// entities read before a fault in the text are counted.
inline void printLevelEntityTable(const std::string& levelFile, const char* entityText,
                                  std::ostream& out, std::ostream& log) {
    const EntityList list = readEntities(entityText);
    for (const std::string& problem : list.problems) {
        log << levelFile << ": " << problem << std::endl;
    }
    printEntityTable(list, out);
}
