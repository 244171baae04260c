// The video subsystem: owns the Direct3D object and the one device, sets up the
// fixed-function pipeline once, and draws each frame in a fixed order. Other
// parts reach the device through Video::Instance().device and draw with it
// inside the frame that Render opens and closes.
#pragma once

#include "core/SmartPtr.h"
#include "platform/D3D9.h"
#include "video/DeviceLights.h"
#include "video/Overlay.h"
#include "video/Texture.h"

#include <cstdint>
#include <list>
#include <string>

class Camera;
class Light;
struct Vector3;

class Video
{
public:
    static Video& Instance();

    // Creates the Direct3D object and the device on the main window (back
    // buffer of its client size) and sets the initial states, projection and
    // view. Logs each platform call with OK or FAILED; on a failure the device
    // stays null and nothing is drawn.
    void Initialize();
    // Releases the device, then the Direct3D object.
    void Shutdown();
    // One frame: viewport and clear, the 2D state and the GUI, the HUD, end of
    // scene and present. Nothing happens without a device.
    void Render();

    // The camera the scene is drawn from; without one the scene is not drawn.
    void SetCamera(Camera* newCamera);
    // Appends (or puts first) a light the device gets every frame while its
    // enabled flag is set. Lights are never taken out of the list.
    void AddLight(Light* light);
    void AddLightFront(Light* light);

    // The bitmap font of DrawText: 16 by 16 glyphs; text is drawn only while set.
    void SetFontTexture(Texture* texture);
    void SetOverlay(Overlay* newOverlay);
    // Appends a chat line, first dropping the oldest while more than 10 are
    // held: so at most 11 lines.
    void AddChatLine(const std::string& line);

    // Draws text with its first 8 by 8 cell's top left at pixel (x, y): a line
    // feed goes back to x one cell lower; "#" and one of B G O P R S W Y sets
    // the colour (keeping color's alpha) until the end of the text. The caller
    // sets the screen vertex format and the 2D states; this sets only stage 0's
    // texture. Draws nothing without a font texture.
    void DrawText(const char* text, int x, int y, uint32_t color);
    // The heads-up display: frame rate and the game module's ping at (8, 8),
    // under them the local player's name, health and armour when the game
    // module has one; while its chat line is open, "Say: " in yellow and the
    // typed text in white at (8, 400); the chat lines from (300, 0) down and
    // the message line at (200, 0).
    void DrawHud();
    // The overlay, then the message line at (0, height / 2).
    void DrawOverlay();
    // An axis-aligned box as 12 lines in the current world transform.
    void DrawBox(const Vector3& min, const Vector3& max, uint32_t color);
    // Four tumbling boxes; a debug animation nobody calls.
    void DrawTestCube();

    IDirect3D9* direct3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    bool fullscreen = false;
    int32_t width = 0;
    int32_t height = 0;
    int32_t colorBits = 0;
    int32_t depthBits = 0;
    SmartPtr<Texture> fontTexture;
    SmartPtr<Camera> camera;
    SmartPtr<Overlay> overlay;
    std::string message;
    uint32_t messageColor = 0;
    std::list<std::string> chatLines;
    std::list<SmartPtr<Light>> lights;
    // Light indices handed to the device this frame and the last.
    DeviceLights deviceLights;

    ~Video();

private:
    Video() = default;
    Video(const Video&) = delete;
    Video& operator=(const Video&) = delete;

    // Hands each enabled light to the device, one index each from 0.
    void SetupLights();
    // The current camera's view and projection, then the main scene graph.
    void RenderScene();
    // The 2D state, then the GUI manager's drawing.
    void RenderGui();
    // The frame rate the HUD shows.
    int HudFrameRate() const;
    // The game module's ping in milliseconds, as the HUD shows it.
    int HudPing() const;

    float testCubeAngles[3] = {0.0f, 0.0f, 0.0f};
};
