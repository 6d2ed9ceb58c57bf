// BSPMap: the loaded level. Construction reads every lump the viewer uses (level/BSPMap.cpp);
// the per-frame visibility and drawing live in render/, and so do the resources of the views
// beside the default one (LevelViews).
#pragma once

#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "geometry/Plane.h"
#include "level/Entities.h"
#include "level/Face.h"
#include "level/LevelStores.h"
#include "level/Records.h"
#include "level/Vertex.h"
#include "level/VisData.h"
#include "patch/PatchTessellator.h"
#include "render/Frustum.h"

class OnScreenDisplay;
class LightingModule;
class Camera;
class Skybox;
class TextureManager;
class LazyAssetStore;
class LevelViews;
class VertexBuffers;
class BrushEntities;
struct ViewOptions;

class BSPMap {
public:
    // Opens levelFile (unchanged, not joined to dataPath), loads it whole and writes the loading
    // transcript to the standard error stream. Makes no GL call. A levelFile that does not open
    // as written is looked up under dataPath, its folder and then its .pk3 archives. A file that
    // cannot be read leaves one problem and no transcript; a file whose magic or version is not
    // IBSP 46 leaves one problem after the two lines that echo them; lumps outside the file are
    // problems and load empty. The stores are the session's, shared by each level it loads.
    BSPMap(const std::string& dataPath, const std::string& levelFile, LevelStores stores,
           OnScreenDisplay* display, LightingModule* lighting);
    // The same from bytes already in memory; levelFile only names them; the transcript goes to log.
    BSPMap(const std::string& dataPath, const std::string& levelFile,
           std::vector<std::uint8_t> levelBytes, LevelStores stores, OnScreenDisplay* display,
           LightingModule* lighting, std::ostream& log);
    virtual ~BSPMap();
    BSPMap(const BSPMap&) = delete;
    BSPMap& operator=(const BSPMap&) = delete;

    // Every problem found while loading and validating, one line each, without the file name.
    // Empty for a sound level; the per-frame path may only run on a sound level.
    const std::vector<std::string>& getProblems() const { return problems; }
    bool isSound() const { return problems.empty(); }
    const std::string& getLevelFile() const { return levelFile; }

    // Attaches the (not owned) camera, creates the sky texture and uploads the lightmap pages
    // unless that happened already. Needs a GL context.
    void setCamera(Camera* newCamera);
    // Attaches the camera only: enough for the leaf search and the gathering, which need no GL.
    void attachCamera(Camera* newCamera) { camera = newCamera; }
    // One frame in the default view: move the camera, draw the sky and the visible faces, extend
    // and draw the overlay.
    void render(std::ostringstream& overlayText, float timeStep, bool texturesEnabled,
                bool lightingEnabled);
    // The same frame in the view the options choose: the default one, the lit view (lightmaps or
    // vertex colours, no fixed light, sky and no-draw faces left out) or the cluster colours, with
    // the culling frozen or live.
    void render(std::ostringstream& overlayText, float timeStep, bool texturesEnabled,
                bool lightingEnabled, const ViewOptions& options);
    // The lightmap pages, face images and frozen culling of this level; made on first use
    // without a GL call.
    LevelViews& views();
    // Re-tessellates every patch of every patch face at level (2..20 from the keys).
    void setPatchLevel(int level);

    // The two visibility steps of a frame, which render runs and the benchmark times: first the
    // camera's leaf and cluster (kept as the last ones), then the gathering for that cluster.
    void locateCamera();
    // The leaf holding the camera's current position.
    std::int32_t findCameraLeaf() const;
    // The same descent for any position.
    std::int32_t findLeaf(const Point& position) const;
    // Refills visibleFaceSet and faceDrawList from the leaves in the PVS and the camera's frustum
    // (or the one given); they hold the faces until the next gathering.
    void collectVisibleFaces(std::int32_t cameraCluster);
    void collectVisibleFaces(std::int32_t cameraCluster, const Frustum& frustum);

    // The lowest cluster among the leaves that list the face; -1 when no leaf lists it.
    std::int32_t clusterOfFace(std::size_t face) const {
        return face < faceClusters.size() ? faceClusters[face] : -1;
    }
    // True when a leaf of cluster leafCluster is in the PVS of cameraCluster.
    bool isClusterVisible(std::int32_t cameraCluster, std::int32_t leafCluster) const;
    // The leaf's cluster; -1 (outside the level) for an index that names no leaf.
    std::int32_t clusterOfLeaf(std::int32_t leaf) const;

    // What the last render found: the camera leaf, its cluster and the visible-face count.
    std::int32_t getLastCameraLeaf() const { return lastCameraLeaf; }
    std::int32_t getLastCameraCluster() const { return lastCameraCluster; }
    std::size_t getLastVisibleFaceCount() const { return lastVisibleFaceCount; }
    // The draw calls the last render made for the faces.
    std::size_t getLastDrawCount() const { return lastDrawCount; }
    // The memory that holds every patch's vertices, sized for the highest level so far.
    std::size_t getPatchStoreBytes() const { return patchTessellator.storeBytes(); }
    // Every patch's grid at the current level, and that level.
    std::span<const Vertex> getPatchGrids() const { return patchTessellator.grids(); }
    int getPatchLevel() const { return patchTessellator.level(); }

    const std::vector<DirectoryEntry>& getDirectory() const { return directory; }
    const std::vector<Plane>& getPlanes() const { return planes; }
    const std::vector<Node>& getNodes() const { return nodes; }
    const std::vector<Leaf>& getLeaves() const { return leaves; }
    const std::vector<std::int32_t>& getLeafFaces() const { return leafFaces; }
    const std::vector<std::int32_t>& getLeafBrushes() const { return leafBrushes; }
    const std::vector<Model>& getModels() const { return models; }
    const std::vector<Brush>& getBrushes() const { return brushes; }
    const std::vector<BrushSide>& getBrushSides() const { return brushSides; }
    const std::vector<Vertex>& getVertices() const { return vertices; }
    const std::vector<std::int32_t>& getMeshVertices() const { return meshVertices; }
    const std::vector<Face>& getFaces() const { return faces; }
    const std::vector<Effect>& getEffects() const { return effects; }
    const char* getEntityText() const { return entityText.data(); }
    // The entity text read once at load; its problem, if any, is the caller's to report.
    const EntityList& getEntities() const { return entityList; }
    const VisData& getVisData() const { return *visData; }
    std::size_t getTextureCount() const { return textureCount; }
    // Each texture record's name (at most 64 bytes, up to the first NUL), surface flags and
    // content flags.
    const std::vector<std::string>& getTextureNames() const { return textureNames; }
    const std::vector<std::int32_t>& getTextureFlags() const { return textureFlags; }
    const std::vector<std::int32_t>& getTextureContents() const { return textureContents; }
    // The lightmap lump's bytes as the file holds them.
    const std::vector<std::uint8_t>& getLightmapBytes() const { return lightmapBytes; }
    // The light volume lump's bytes as the file holds them (level/LightGrid reads them).
    const std::vector<std::uint8_t>& getLightVolumeBytes() const { return lightVolumeBytes; }
    const std::set<std::int32_t>& getVisibleFaceSet() const { return visibleFaceSet; }
    const std::vector<std::uint32_t>& getFaceDrawList() const { return faceDrawList; }
    // A GL texture name; 0 until setCamera.
    unsigned int getSkyTexture() const { return skyTexture; }
    Camera* getCamera() const { return camera; }

private:
    void load(std::vector<std::uint8_t> levelBytes, std::ostream& log);
    // Cuts every patch face into patches and tessellates them all at the initial level; once,
    // at load.
    void buildPatches();
    // Fills faceClusters from the leaves; once, at load.
    void assignFaceClusters();
    // The leaf and cluster the frame gathers for, and the frustum it gathers in: the live ones,
    // or while frozen those of the last frame before freezing.
    const Frustum& locateForFrame(bool cullingFrozen);
    void resetTextureUnits();
    // The opaque faces by their materials, the level's sky behind them, the entities when shown,
    // then the rest in sort order, so that translucent faces blend over the entities behind them.
    // Brush entities (null: none shown) are drawn with the faces of their kind.
    void drawMaterialView(LevelViews& resources, const VertexBuffers* buffers,
                          const ViewOptions& options, const Frustum& frustum,
                          BrushEntities* brushEntities);
    // The entities in the look of the view (render/EntityView).
    void drawEntities(LevelViews& resources, const ViewOptions& options, bool materialView,
                      bool faceImages, const Frustum& frustum);

    OnScreenDisplay* display;  // not owned
    LightingModule* lighting;  // not owned
    std::string dataPath;
    std::string levelFile;
    // The data path's store, opened only when the level, the sky or the face images are not plain
    // files.
    LevelStores stores;
    std::ifstream levelStream;
    std::vector<DirectoryEntry> directory;
    std::vector<Plane> planes;
    std::vector<Node> nodes;
    std::vector<Leaf> leaves;
    std::vector<std::int32_t> leafFaces;
    std::vector<std::int32_t> leafBrushes;
    std::vector<Model> models;
    std::vector<Brush> brushes;
    std::vector<BrushSide> brushSides;
    std::vector<Vertex> vertices;
    std::vector<std::int32_t> meshVertices;
    // Holds the vertices of every patch in faces; declared first, so it outlives them.
    PatchTessellator patchTessellator;
    std::vector<Face> faces;
    std::vector<Effect> effects;
    // The entity lump's bytes followed by a NUL; just the NUL until the lump is read.
    std::vector<char> entityText = std::vector<char>(1, '\0');
    EntityList entityList;
    // Never null, so a level whose load stopped early still answers getVisData.
    VisData* visData = new VisData();
    Camera* camera = nullptr;  // not owned
    Skybox* skybox = nullptr;
    unsigned int skyTexture = 0;  // a GL texture name
    TextureManager* textureManager = nullptr;
    std::set<std::int32_t> visibleFaceSet;
    std::vector<std::uint32_t> faceDrawList;

    std::size_t textureCount = 0;
    std::vector<std::string> textureNames;
    std::vector<std::int32_t> textureFlags;
    std::vector<std::int32_t> textureContents;
    std::vector<std::uint8_t> lightmapBytes;
    std::vector<std::uint8_t> lightVolumeBytes;
    std::vector<std::string> problems;
    std::int32_t lastCameraLeaf = 0;
    std::int32_t lastCameraCluster = 0;
    std::size_t lastVisibleFaceCount = 0;
    std::size_t lastDrawCount = 0;
    std::vector<std::int32_t> faceClusters;
    // Deleted where the views' GL resources are known, so that this header and the loading code
    // need none of them.
    struct DeleteViews {
        void operator()(LevelViews* views) const;
    };
    std::unique_ptr<LevelViews, DeleteViews> levelViews;
    // The whole overlay line of the last frame; reused so a frame does not allocate it anew.
    std::string overlayLine;
};
