// The game module: the one object the game itself lives in. It builds the
// scene at start, fades the splash and sends the ping every frame, maps keys
// and mouse to the tank, the cameras and the GUI, and holds the hooks through
// which the network client and server report to the game.
#pragma once

#include "core/SmartPtr.h"
#include "platform/Win32.h"

#include <cstdint>
#include <list>

class Camera;
class GuiImage;
class Message;
class Player;
class SceneNode;
class ServerInfo;
class Tank;

class Mod
{
public:
    enum Mode : int32_t
    {
        kGameMode = 0,
        kMenuMode = 1,
    };
    // The ping message: client to server or back, one u32 of timeGetTime.
    static constexpr uint32_t kPingMessage = 0x800;
    static constexpr DWORD kPingInterval = 5000;
    // The splash stays opaque this long after Start, then fades over kFadeLength.
    static constexpr DWORD kFadeDelay = 3000;
    static constexpr DWORD kFadeLength = 8000;

    static Mod* Instance();
    ~Mod();

    // Builds the scene: font, cursor, splash, sky box, two lights, the tank, the
    // free and chase cameras, the obstacles of "level.txt", the ground and the
    // music. Called once by Kernel::Init after Physics. Missing files are
    // logged by their loaders and passed over.
    void Start();
    // Called first by Kernel::Shutdown; only logs its scope.
    void Stop();
    // Called first in every Kernel frame: the splash fade on the GetTickCount
    // clock (then the GUI switched off in every frame), and a ping message
    // through NetClient::SendNow every 5000 ms of timeGetTime.
    void Frame();

    // Places the obstacles listed in a level file under the parent: one per
    // line, "name x z quarterTurns dynamic", as physics boxes standing on the
    // ground plane (a dynamic one 0.1 above it). Lines with fewer than five
    // fields, numbers that are not finite, or more than 298 characters are
    // skipped with a log line naming the line. Returns the number of boxes
    // placed, or -1 (silently) when the file cannot be opened.
    int LoadObstacles(const char* fileName, SceneNode* parent);

    // A new default-constructed node for a type id: 4 Level, 7 Light, 6 Camera,
    // 10 Player, 8 Projectile; null for any other. The caller takes it.
    SceneNode* CreateNode(int typeId);

    // Each message from the server, in arrival order; sender is -1. The
    // message is released after the client's update.
    void OnClientMessage(Message* message);
    // Each message from a client; sender is that client's id.
    void OnServerMessage(Message* message);
    // A server found by the LAN search. The record is the hook's to keep: it
    // takes a reference to hold it beyond the call.
    void OnServerFound(ServerInfo* serverInfo);
    // A client was accepted by the server.
    void OnClientConnected(int clientId);
    // A client timed out or its connection was found closed.
    void OnClientDisconnected(int clientId);

    // Called by InputSystem::Update on state changes: a key code 0 to 255 went
    // down or up; relative mouse motion (x first, at least one not 0); a mouse
    // button 0 to 7 went down or up. Keys drive the game in game mode; ESC's
    // release switches modes; in menu mode the mouse and characters go to the
    // GUI manager.
    void OnKeyDown(int code);
    void OnKeyUp(int code);
    void OnMouseMove(int dx, int dy);
    void OnMouseDown(int button);
    void OnMouseUp(int button);
    // A typed character, from the window procedure through InputSystem::OnChar.
    void OnChar(char c);

    // Round trip in milliseconds for the HUD's ping line; nothing measures it.
    int GetPing() const { return ping; }
    // The local player, for the HUD's player block; null while there is none.
    Player* GetPlayer() const { return localPlayer.Get(); }

    // The scene Start built, as raw pointers: the scene graph and the GUI
    // manager hold the references, and these stay valid until the Kernel's
    // last deletion. Null before Start.
    // The camera the picture is drawn from: the chase camera after Start; G swaps.
    Camera* GetCurrentCamera() const { return currentCamera; }
    // Hangs below the tank's torso.
    Camera* GetChaseCamera() const { return chaseCamera; }
    // Stands in the world at its start point.
    Camera* GetFreeCamera() const { return freeCamera; }
    Tank* GetTank() const { return tank; }
    GuiImage* GetSplash() const { return splash; }
    // GetTickCount readings between which the splash fades.
    DWORD GetFadeStart() const { return fadeStart; }
    DWORD GetFadeEnd() const { return fadeEnd; }

    // The tank and cameras the controls drive, for a scene built without
    // Start (as Start leaves them: the chase camera current and Video's).
    // Nulls leave the controls without them. The caller keeps the references.
    void SetScene(Tank* newTank, Camera* chase, Camera* free);
    // The splash Frame fades: opaque until fadeStart, faded kFadeLength later.
    // Null leaves the GUI as it stands. The caller keeps the reference.
    void SetSplash(GuiImage* newSplash, DWORD newFadeStart);

    // The line being typed and whether the chat line is open; the HUD shows the
    // line at (8, 400) while the flag is set. Nothing opens it.
    char chatText[256] = {0};
    uint8_t chatFlag = 0;
    int32_t ping = 0;
    // timeGetTime reading after which the next ping goes out.
    uint32_t nextPingTime = 0;
    int32_t spare = 0;
    int32_t mode = kGameMode;
    // Nothing in the game sets it yet.
    SmartPtr<Player> localPlayer;
    std::list<SmartPtr<SceneNode>> spareList;

private:
    // G: the other camera becomes current, and Video's.
    void ToggleCamera();
    // A held key of the current camera or the tank: down sets its flag, up
    // clears it. False for any other key.
    bool SetHeldFlag(int code, bool on);

    Camera* currentCamera = nullptr;
    Camera* chaseCamera = nullptr;
    Camera* freeCamera = nullptr;
    Tank* tank = nullptr;
    GuiImage* splash = nullptr;
    DWORD fadeStart = 0;
    DWORD fadeEnd = 0;
};
