// Temporary definitions so every part links while the real ones are written. Each owner deletes
// the definitions of its part from here when its real file lands.
#include <sstream>

#include "app/Callbacks.h"
#include "app/Config.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "app/Viewer.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "level/Face.h"
#include "patch/BezierPatch.h"
#include "render/Frustum.h"
#include "texture/JPEGTexture.h"
#include "texture/SkyTexture.h"
#include "texture/Skybox.h"
