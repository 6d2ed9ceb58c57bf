// The one table from entity class to model files, as the game data names them.
#include "model/EntityModels.h"

#include <algorithm>
#include <array>

namespace {

struct ItemModels {
    std::string_view className;
    std::array<std::string_view, 2> paths;
    std::size_t pathCount;
};

// Sorted by class name (byte order), so a class is found by halving.
constexpr ItemModels kItems[] = {
    {"ammo_belt", {"models/powerups/ammo/chaingunam.md3"}, 1},
    {"ammo_bfg", {"models/powerups/ammo/bfgam.md3"}, 1},
    {"ammo_bullets", {"models/powerups/ammo/machinegunam.md3"}, 1},
    {"ammo_cells", {"models/powerups/ammo/plasmaam.md3"}, 1},
    {"ammo_grenades", {"models/powerups/ammo/grenadeam.md3"}, 1},
    {"ammo_lightning", {"models/powerups/ammo/lightningam.md3"}, 1},
    {"ammo_mines", {"models/powerups/ammo/proxmineam.md3"}, 1},
    {"ammo_nails", {"models/powerups/ammo/nailgunam.md3"}, 1},
    {"ammo_rockets", {"models/powerups/ammo/rocketam.md3"}, 1},
    {"ammo_shells", {"models/powerups/ammo/shotgunam.md3"}, 1},
    {"ammo_slugs", {"models/powerups/ammo/railgunam.md3"}, 1},
    {"holdable_kamikaze", {"models/powerups/kamikazi.md3"}, 1},
    {"holdable_medkit", {"models/powerups/holdable/medkit.md3"}, 1},
    {"holdable_teleporter", {"models/powerups/holdable/teleporter.md3"}, 1},
    {"item_ammoregen", {"models/powerups/ammo.md3"}, 1},
    {"item_armor_body", {"models/powerups/armor/armor_red.md3"}, 1},
    {"item_armor_combat", {"models/powerups/armor/armor_yel.md3"}, 1},
    {"item_armor_shard", {"models/powerups/armor/shard.md3"}, 1},
    {"item_doubler", {"models/powerups/doubler.md3"}, 1},
    {"item_enviro",
     {"models/powerups/instant/enviro.md3", "models/powerups/instant/enviro_ring.md3"},
     2},
    {"item_flight",
     {"models/powerups/instant/flight.md3", "models/powerups/instant/flight_ring.md3"},
     2},
    {"item_guard", {"models/powerups/guard.md3"}, 1},
    {"item_haste",
     {"models/powerups/instant/haste.md3", "models/powerups/instant/haste_ring.md3"},
     2},
    {"item_health",
     {"models/powerups/health/medium_cross.md3", "models/powerups/health/medium_sphere.md3"},
     2},
    {"item_health_large",
     {"models/powerups/health/large_cross.md3", "models/powerups/health/large_sphere.md3"},
     2},
    {"item_health_mega",
     {"models/powerups/health/mega_cross.md3", "models/powerups/health/mega_sphere.md3"},
     2},
    {"item_health_small",
     {"models/powerups/health/small_cross.md3", "models/powerups/health/small_sphere.md3"},
     2},
    {"item_invis", {"models/powerups/instant/invis.md3"}, 1},
    {"item_quad", {"models/powerups/instant/quad.md3", "models/powerups/instant/quad_ring.md3"}, 2},
    {"item_regen",
     {"models/powerups/instant/regen.md3", "models/powerups/instant/regen_ring.md3"},
     2},
    {"item_scout", {"models/powerups/scout.md3"}, 1},
    {"team_CTF_blueflag", {"models/flags/b_flag.md3"}, 1},
    {"team_CTF_neutralflag", {"models/flags/n_flag.md3"}, 1},
    {"team_CTF_redflag", {"models/flags/r_flag.md3"}, 1},
    {"weapon_bfg", {"models/weapons2/bfg/bfg.md3"}, 1},
    {"weapon_chaingun", {"models/weapons/vulcan/vulcan.md3"}, 1},
    {"weapon_gauntlet", {"models/weapons2/gauntlet/gauntlet.md3"}, 1},
    {"weapon_grenadelauncher", {"models/weapons2/grenadel/grenadel.md3"}, 1},
    {"weapon_lightning", {"models/weapons2/lightning/lightning.md3"}, 1},
    {"weapon_machinegun", {"models/weapons2/machinegun/machinegun.md3"}, 1},
    {"weapon_nailgun", {"models/weapons/nailgun/nailgun.md3"}, 1},
    {"weapon_plasmagun", {"models/weapons2/plasma/plasma.md3"}, 1},
    {"weapon_prox_launcher", {"models/weapons/proxmine/proxmine.md3"}, 1},
    {"weapon_railgun", {"models/weapons2/railgun/railgun.md3"}, 1},
    {"weapon_rocketlauncher", {"models/weapons2/rocketl/rocketl.md3"}, 1},
    {"weapon_shotgun", {"models/weapons2/shotgun/shotgun.md3"}, 1},
};

static_assert(std::is_sorted(std::begin(kItems), std::end(kItems),
                             [](const ItemModels& a, const ItemModels& b) {
                                 return a.className < b.className;
                             }),
              "the item table is searched by halving");

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

bool isItemClass(std::string_view className) {
    return startsWith(className, "item_") || startsWith(className, "weapon_") ||
           startsWith(className, "ammo_") || startsWith(className, "holdable_") ||
           (startsWith(className, "team_CTF_") && endsWith(className, "flag"));
}

EntityFamily familyOf(std::string_view className) {
    if (isItemClass(className)) {
        return EntityFamily::item;
    }
    if (startsWith(className, "info_player_") ||
        (startsWith(className, "team_CTF_") && endsWith(className, "spawn"))) {
        return EntityFamily::spawn;
    }
    if (startsWith(className, "light")) {
        return EntityFamily::light;
    }
    return EntityFamily::other;
}

std::span<const std::string_view> modelPathsOf(std::string_view className) {
    const auto* end = std::end(kItems);
    const auto* found = std::lower_bound(
        std::begin(kItems), end, className,
        [](const ItemModels& item, std::string_view name) { return item.className < name; });
    if (found == end || found->className != className) {
        return {};
    }
    return {found->paths.data(), found->pathCount};
}
