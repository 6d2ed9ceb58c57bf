// LightingModule: global ambient and light 0 in one warm yellow colour; GL lighting waits for
// enable().
#include "app/LightingModule.h"

#include <epoxy/gl.h>

LightingModule::LightingModule(std::string) {
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, kWarmLight);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kWarmLight);
}

void LightingModule::enable() {
    glEnable(GL_LIGHTING);
}

void LightingModule::disable() {
    glDisable(GL_LIGHTING);
}
