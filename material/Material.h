// Material: a shader script's surface as plain data (its general keywords and its stages, each with
// the image, blend, colour, alpha and texture-coordinate rules it draws with). The drawing code
// reads these records and never the script text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class WaveForm : std::uint8_t { sine, square, triangle, sawtooth, inverseSawtooth, noise };

// base + amplitude * form(phase + frequency * seconds); the forms run over one period from 0 to
// 1 (sine, square and triangle between -1 and 1, the sawtooths between 0 and 1).
struct Wave {
    WaveForm form = WaveForm::sine;
    float base = 0.0f;
    float amplitude = 0.0f;
    float phase = 0.0f;
    float frequency = 0.0f;

    bool operator==(const Wave&) const = default;
};

// The GL blend factors a stage can name, without GL's numbers.
enum class BlendFactor : std::uint8_t {
    zero,
    one,
    sourceColour,
    oneMinusSourceColour,
    destinationColour,
    oneMinusDestinationColour,
    sourceAlpha,
    oneMinusSourceAlpha,
    destinationAlpha,
    oneMinusDestinationAlpha,
    sourceAlphaSaturate,
};

enum class ColourGen : std::uint8_t {
    identity,          // white (also for rgbGen entity and an unknown rgbGen)
    identityLighting,  // white: the lightmaps carry the overbright
    vertex,            // the vertex colours brightened like the lightmaps (also lightingDiffuse)
    exactVertex,       // the vertex colours as stored
    oneMinusVertex,
    constant,  // colour
    wave,      // white times the wave, clamped to 0..1
};

enum class AlphaGen : std::uint8_t {
    identity,  // opaque (also for alphaGen portal and an unknown alphaGen)
    vertex,
    oneMinusVertex,
    constant,  // alpha
    wave,
};

enum class TexCoordGen : std::uint8_t { base, lightmap, environment };

enum class TexCoordModKind : std::uint8_t { scroll, scale, rotate, turb, stretch, transform };

// One tcMod, applied in the order written. values: scroll (s speed, t speed per second), scale
// (s, t), rotate (degrees per second), transform (m00 m01 m10 m11 t0 t1); turb and stretch use
// wave (turb: base, amplitude, phase, frequency with a sine form).
struct TexCoordMod {
    TexCoordModKind kind = TexCoordModKind::scroll;
    std::array<float, 6> values{};
    Wave wave;

    bool operator==(const TexCoordMod&) const = default;
};

enum class AlphaTest : std::uint8_t { none, greaterThanZero, lessThan128, atLeast128 };

struct MaterialStage {
    // One image for map and clampMap, the frames of animMap; "$lightmap" and "$whiteimage" are the
    // renderer's own. Empty: a stage with no image named (drawn white).
    std::vector<std::string> images;
    float framesPerSecond = 0.0f;  // animMap
    bool clamp = false;            // clampMap
    bool blends = false;           // a blendFunc was given
    BlendFactor source = BlendFactor::one;
    BlendFactor destination = BlendFactor::zero;
    ColourGen colourGen = ColourGen::identity;
    std::array<float, 3> colour{1.0f, 1.0f, 1.0f};
    Wave colourWave;
    AlphaGen alphaGen = AlphaGen::identity;
    float alpha = 1.0f;
    Wave alphaWave;
    TexCoordGen texCoordGen = TexCoordGen::base;
    std::vector<TexCoordMod> texCoordMods;
    AlphaTest alphaTest = AlphaTest::none;
    bool depthEqual = false;  // depthFunc equal; lequal otherwise
    // depthWrite, or a stage that does not blend.
    bool depthWrite = true;

    // The stage draws the level's lightmap page ("$lightmap", or tcGen lightmap).
    bool isLightmap() const {
        return (images.size() == 1 && images.front() == "$lightmap") ||
               texCoordGen == TexCoordGen::lightmap;
    }

    bool operator==(const MaterialStage&) const = default;
};

enum class CullMode : std::uint8_t { front, back, none };

// Sort values as the scripts name them; a material without `sort` is opaque, or additive when its
// first stage blends.
namespace MaterialSort {
inline constexpr float kPortal = 1.0f;
inline constexpr float kSky = 2.0f;
inline constexpr float kOpaque = 3.0f;
inline constexpr float kDecal = 4.0f;
inline constexpr float kSeeThrough = 5.0f;
inline constexpr float kBanner = 6.0f;
inline constexpr float kUnderwater = 8.0f;
inline constexpr float kAdditive = 9.0f;
inline constexpr float kNearest = 16.0f;
}  // namespace MaterialSort

struct SkyParms {
    std::string farBox;  // "" or "-": none; else NAME for NAME_rt, _bk, _lf, _ft, _up, _dn
    float cloudHeight = 128.0f;
    std::string nearBox;

    bool operator==(const SkyParms&) const = default;
};

struct FogParms {
    std::array<float, 3> colour{0.5f, 0.5f, 0.5f};
    float distanceToOpaque = 512.0f;

    bool operator==(const FogParms&) const = default;
};

enum class DeformKind : std::uint8_t { wave, normal, bulge, move, autosprite, autosprite2 };

// One deformVertexes line. wave: each vertex along its normal by the wave, its phase moved on by
// (x + y + z) / spread of its file-axes position (a spread of 0: no offset). normal: the normals
// swayed by wave's amplitude and frequency. bulge: along the normal by bulge[1] (height) times
// sin(bulge[0] (width) * s + bulge[2] (speed) * seconds). move: every vertex along vector (file
// axes) by the wave.
struct Deform {
    DeformKind kind = DeformKind::wave;
    float spread = 0.0f;
    Wave wave;
    std::array<float, 3> bulge{};
    std::array<float, 3> vector{};

    bool operator==(const Deform&) const = default;
};

struct Material {
    std::string name;
    // Where it was defined: the script's path and, when it came from an archive, the archive's
    // file name (empty for a folder file).
    std::string script;
    std::string archive;
    CullMode cull = CullMode::front;
    float sort = MaterialSort::kOpaque;
    bool sortGiven = false;
    bool noDraw = false;       // surfaceparm nodraw
    bool sky = false;          // surfaceparm sky
    bool translucent = false;  // surfaceparm trans
    bool noLightmap = false;   // surfaceparm nolightmap
    bool fog = false;          // surfaceparm fog
    bool polygonOffset = false;
    bool noMipmaps = false;  // nomipmaps or nopicmip
    std::optional<SkyParms> skyParms;
    std::optional<FogParms> fogParms;
    std::vector<Deform> deforms;
    std::vector<MaterialStage> stages;
    // The editor image (qer_editorimage), a fallback when no stage image can be found.
    std::string editorImage;

    bool operator==(const Material&) const = default;
};

// Bounds on what one script can make a material hold, whatever its text says.
inline constexpr std::size_t kMaxMaterialStages = 8;
inline constexpr std::size_t kMaxTexCoordMods = 4;
inline constexpr std::size_t kMaxAnimationFrames = 8;
inline constexpr std::size_t kMaxDeforms = 3;
// A deform number (spread, wave, bulge or vector) beyond this is no level's size: the keyword is
// skipped; so is a spread whose inverse would be.
inline constexpr float kMaxDeformNumber = 65536.0f;
