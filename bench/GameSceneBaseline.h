// Hands the plain OpenGL program the picture the running game draws now: the
// sky box, every model of the main scene graph where it stands, the lights,
// the physics wire boxes and the HUD's text, with the same textures, seen by
// the current camera.
#pragma once

#include <string>

class GlBaseline;

// False, with the reason, when the game has no scene to give (no device, no
// camera or no sky box).
bool FeedGameScene(GlBaseline& baseline, std::string& why);
