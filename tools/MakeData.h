// The parts of the data set maker. Each writes its files below the output
// folder (which exists, with data/textures and data/music in it) and returns
// false after a message on stderr when a file cannot be written.
#pragma once

#include "assets/Files.h"
#include "assets/Image.h"
#include "assets/MeshBuilder.h"

#include <string>

// The maker draws, builds and writes with the asset library throughout.
using namespace assets;

// tank_body.3ds, tank_torso.3ds, tank_gun.3ds, level_boden.3ds and the
// obstacle models crate.3ds and wall.3ds.
bool WriteModels(const std::string& folder);
// testlevel.3ds: a walled room of 21 by 21 units with four pillars.
bool WriteTestLevel(const std::string& folder);
// The textures the models name, the splash, cursor, smoke and terrain maps.
bool WriteTextures(const std::string& folder);
// The sky box faces data/textures/cliff{ft,bk,lf,rt,up,dn}.bmp.
bool WriteSky(const std::string& folder);
// The GUI skins window, button, checkbox, editbox, listbox and scrollbar.
bool WriteGuiSkins(const std::string& folder);
// data/textures/font.png.
bool WriteFont(const std::string& folder);
// data/music/freude.ogg.
bool WriteMusic(const std::string& folder);
// level.txt and the terrain heightmap data/terrain.raw.
bool WriteLevel(const std::string& folder);

// The font's 8 by 8 glyph of a byte: bit 7 of row r is the leftmost pixel of
// row r; rows run from the top. Unknown bytes are blank.
const uint8_t* FontGlyph(unsigned char c);
// Draws text with the font, each glyph pixel a scale by scale square.
void DrawText(Image& image, const std::string& text, int x, int y, int scale, Rgba color);

// Side of the square terrain heightmap in samples, and the sample height
// (0..255) at column x, row z of it.
constexpr int kTerrainSize = 513;
int TerrainHeight(int x, int z);
