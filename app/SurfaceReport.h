// SurfaceReport: the answer to "what is this surface": the face at the centre of the view, its
// texture record's flags, the material and images it is drawn with and where each one came from,
// as one line for the viewer's i key, velmora-probe --pick and velmora-info --assets.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "level/Entities.h"
#include "level/FacePick.h"
#include "render/EntityView.h"
#include "texture/ImageOrigin.h"

class AssetStore;
class BSPMap;
class MaterialFinder;
struct ViewOptions;

// What a texture record is drawn with in the material view.
struct TextureOrigin {
    std::string material;  // "script PATH in ARCHIVE", "script PATH" (a folder file) or "implicit"
    std::vector<ImageOrigin> images;
};

// Whether an image file is drawn as itself rather than as the placeholder.
using ImageCheck = std::function<bool(const std::string& file)>;

// The stage images as the material view resolves them (a material none of whose named images
// can be drawn falls back to the face image, as without scripts), else the face image.
TextureOrigin textureOriginOf(const std::string& textureName, const MaterialFinder& scripts,
                              const AssetStore& assets, const ImageCheck& usable);

// "script PATH in ARCHIVE; images A, B" with each image as its place or "placeholder (NAME)".
std::string originText(const TextureOrigin& origin);
// "surface 0x00000004 (sky); contents 0x00000001 (solid)": hex, then the names of known bits.
std::string flagsText(std::int32_t surfaceFlags, std::int32_t contentFlags);
// polygon, patch, mesh, billboard, or "type N".
std::string faceTypeText(std::int32_t type);

inline constexpr char kNoFaceLine[] = "no face at the centre of the view";

// One line: "face F TYPE 'NAME'; FLAGS; ORIGIN; lightmap P|none|vertex; leaf L; cluster C;
// point X Y Z; distance D", or kNoFaceLine when nothing was hit.
// The leaf and cluster are those of the hit point moved a sixteenth of a unit toward eye, the
// side the face is seen from.
std::string surfaceLine(const BSPMap& level, const Point& eye, const FacePick& pick,
                        const TextureOrigin& origin);

// One line: "entity E CLASSNAME; "KEY" "VALUE" ...; model ARCHIVE:PATH|marker; distance D", with
// every key and value of the entity in text order and where each model file came from.
std::string entityLine(const Entity& entity, const EntityHit& hit, const AssetStore& assets);

// Which faces the view the options choose draws, and from which sides.
PickRule pickRuleFor(BSPMap& level, const ViewOptions& options, bool texturesEnabled);

// The whole question after a frame: the nearest face the camera's view ray meets among the faces
// the last frame drew, under that view's rule, as surfaceLine gives it; or, with the entities
// shown, the entity whose model or marker the ray meets first, as entityLine gives it. Reads the
// shader scripts at the first call and any image not yet decoded; their problems go to log. Needs
// the level's camera (and a GL context only when the face images are loaded).
std::string inspectViewCentre(BSPMap& level, const ViewOptions& options, bool texturesEnabled,
                              std::ostream& log);
