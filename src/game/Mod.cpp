#include "game/Mod.h"

#include "audio/SoundStream.h"
#include "audio/SoundSystem.h"
#include "core/Log.h"
#include "core/Shell.h"
#include "game/Player.h"
#include "game/Tank.h"
#include "gui/GuiImage.h"
#include "gui/GuiManager.h"
#include "net/Message.h"
#include "net/NetClient.h"
#include "scene/Camera.h"
#include "scene/Level.h"
#include "scene/Light.h"
#include "scene/Projectile.h"
#include "scene/SceneGraph.h"
#include "scene/SkyBox.h"
#include "scene/StaticModel.h"
#include "video/ResourceManager.h"
#include "video/Video.h"

namespace
{
// The music plays, looping, until the program ends; the stream is held here
// for that long and never freed.
SoundStream* g_music = nullptr;

// 0.78525 is the angle the scene was lit with, a little short of pi / 4.
constexpr float kLightAngle = 0.78525f;

void AddLight(SceneNode* root, float angle)
{
    Light* light = new Light();
    light->kind = Light::kDirectional;
    light->colour = Color3(1.0f, 1.0f, 1.0f);
    light->orientation = Quaternion::FromAxisAngle(Vector3(1.0f, 0.0f, 0.0f), angle) *
                         Quaternion::FromAxisAngle(Vector3(0.0f, 1.0f, 0.0f), angle);
    root->AddChild(light);
    Video::Instance().AddLight(light);
}

// Both cameras see the same: 4:3, 60 degrees, turned a little down and right.
Camera* NewCamera(const Vector3& position)
{
    Camera* camera = new Camera();
    camera->aspect = 1.3333334f;
    camera->fov = 1.0471975f;
    camera->zoom = 1.0f;
    camera->AddPitch(-0.2f);
    camera->AddYaw(0.2f);
    camera->position = position;
    return camera;
}
} // namespace

Mod* Mod::Instance()
{
    static Mod mod;
    return &mod;
}

Mod::~Mod() = default;

void Mod::SetScene(Tank* newTank, Camera* chase, Camera* free)
{
    tank = newTank;
    chaseCamera = chase;
    freeCamera = free;
    currentCamera = chaseCamera;
    Video::Instance().SetCamera(currentCamera);
}

void Mod::SetSplash(GuiImage* newSplash, DWORD newFadeStart)
{
    splash = newSplash;
    fadeStart = newFadeStart;
    fadeEnd = fadeStart + kFadeLength;
}

void Mod::Start()
{
    LogScope scope("Starting Mod");
    spare = 0;

    ResourceManager& resources = ResourceManager::Instance();
    Video& video = Video::Instance();
    GuiManager& gui = GuiManager::Instance();
    video.SetFontTexture(resources.GetTexture("data\\textures\\font.png"));
    gui.SetCursor(resources.GetTexture("data\\textures\\cursor.png"), 0, 0);
    gui.SetCursorBounds(0, 0, video.width, video.height);

    splash = new GuiImage();
    splash->alpha = 1.0f;
    splash->texture = resources.GetTexture("data/textures/tolvi01.jpg");
    gui.SetRoot(splash);
    gui.SetActive(true);

    mode = kGameMode;
    nextPingTime = 0;
    chatFlag = 0;
    chatText[0] = '\0';

    SceneNode* root = MainSceneGraph.GetRoot();
    SkyBox* sky = new SkyBox();
    sky->Load("data/textures/cliff");
    root->AddChild(sky);
    AddLight(root, -kLightAngle);
    AddLight(root, kLightAngle);

    // The tank builds its torso, gun and physical bodies where it stands, so
    // its position comes first; it drops from y = 15 onto the ground plane.
    Tank* newTank = new Tank();
    newTank->position = Vector3(-37.0f, 15.0f, -191.0f);
    newTank->Create();
    root->AddChild(newTank);

    Camera* free = NewCamera(Vector3(-37.0f, 5.0f, -191.0f));
    root->AddChild(free);
    // Behind and above the torso, turning with it.
    Camera* chase = NewCamera(Vector3(-1.0f, 5.0f, -20.0f));
    newTank->torso->AddChild(chase);
    SetScene(newTank, chase, free);

    LoadObstacles("level.txt", root);
    // Drawn only: what the tank and the boxes stand on is the physics ground
    // plane y = 0.
    root->AddChild(new StaticModel("level_boden.3ds"));

    if (g_soundSystem && !g_music)
    {
        g_music = g_soundSystem->CreateStream();
        if (g_music)
        {
            g_music->Open("data/music/freude.ogg");
            g_soundSystem->PlayMusic(g_music);
        }
    }

    SetSplash(splash, GetTickCount() + kFadeDelay);
}

void Mod::Stop()
{
    LogScope scope("Stopping Mod");
}

void Mod::Frame()
{
    // The fade belongs to the splash: without one (before Start) the GUI is
    // left as it stands.
    const DWORD now = GetTickCount();
    if (splash)
    {
        if (fadeStart < now && now < fadeEnd)
            splash->alpha = 1.0f - static_cast<float>(now - fadeStart) /
                                       static_cast<float>(fadeEnd - fadeStart);
        else if (now >= fadeEnd)
            GuiManager::Instance().SetActive(false);
    }

    const DWORD clock = timeGetTime();
    if (clock > nextPingTime)
    {
        nextPingTime = clock + kPingInterval;
        // Released when this frame is done with it; the send writes it at once.
        SmartPtr<Message> message = new Message();
        message->type = kPingMessage;
        message->WriteInt(clock);
        NetClient::Instance()->SendNow(message.Get());
    }
}

SceneNode* Mod::CreateNode(int typeId)
{
    switch (typeId)
    {
    case kNodeLevel:
        return new Level();
    case kNodeLight:
        return new Light();
    case kNodeCamera:
        return new Camera();
    case kNodePlayer:
        return new Player();
    case kNodeProjectile:
        return new Projectile();
    default:
        return nullptr;
    }
}

// The game answers no network events yet.
void Mod::OnClientMessage(Message*) {}

void Mod::OnServerMessage(Message*) {}

void Mod::OnServerFound(ServerInfo*) {}

void Mod::OnClientConnected(int) {}

void Mod::OnClientDisconnected(int) {}
