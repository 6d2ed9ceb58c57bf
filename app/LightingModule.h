// LightingModule: the one fixed warm GL light of the scene; GL lighting itself stays off until
// enable().
#pragma once

#include <string>

class LightingModule {
public:
    // The lighting file name is kept for the echo only: no file is read.
    explicit LightingModule(std::string lightingFileName);
    virtual ~LightingModule() = default;

    void enable();
    void disable();

    // Global ambient and light 0's diffuse colour.
    static constexpr float kWarmLight[4] = {0.7f, 0.7f, 0.3f, 1.0f};
};
