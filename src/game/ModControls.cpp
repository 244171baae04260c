// The game module's input handlers: keys drive the tank and the cameras in
// game mode, ESC's release switches to and from menu mode, where the mouse
// and typed characters go to the GUI manager.
#include "game/Mod.h"

#include "core/Timer.h"
#include "game/ModInputSpy.h"
#include "game/Tank.h"
#include "gui/GuiManager.h"
#include "platform/DirectInput.h"
#include "scene/Camera.h"
#include "video/Video.h"

namespace
{
ModInputSpy* g_inputSpy = nullptr;

// Slow motion while T is held.
constexpr float kSlowTimeScale = 0.2f;
// Mouse units per radian of camera turn.
constexpr float kMouseUnitsPerRadian = 100.0f;

// A key that holds a flag while it is down, and the flag's setter.
template <class Target> struct HeldKey
{
    int code;
    void (Target::*set)(bool);
};

// The arrow keys fly the current camera.
const HeldKey<Camera> kCameraKeys[] = {
    {DIK_UP, &Camera::SetMoveForward},
    {DIK_DOWN, &Camera::SetMoveBackward},
    {DIK_LEFT, &Camera::SetMoveLeft},
    {DIK_RIGHT, &Camera::SetMoveRight},
};

// The tank's gun, torso, drive and turn.
const HeldKey<Tank> kTankKeys[] = {
    {DIK_W, &Tank::SetGunUp},        {DIK_S, &Tank::SetGunDown},
    {DIK_A, &Tank::SetTorsoLeft},    {DIK_D, &Tank::SetTorsoRight},
    {DIK_C, &Tank::SetDriveForward}, {DIK_V, &Tank::SetDriveBackward},
    {DIK_N, &Tank::SetTurnLeft},     {DIK_M, &Tank::SetTurnRight},
};

// Sets the target's flag for a key of the table (when there is a target).
// Returns false for any other key.
template <class Target, size_t N>
bool SetFlag(const HeldKey<Target> (&keys)[N], Target* target, int code, bool on)
{
    for (const HeldKey<Target>& key : keys)
    {
        if (key.code != code)
            continue;
        if (target)
            (target->*key.set)(on);
        return true;
    }
    return false;
}

// X: the chassis jumps to a fixed world point, upside down and facing -z: a
// half turn about x, (x, y, z, w) = (1, 0, 0, 0), not the identity.
const Vector3 kChassisPosition(0.0f, 5.0f, 0.0f);
const Quaternion kChassisUpsideDown(1.0f, 0.0f, 0.0f, 0.0f);
} // namespace

void Mod::ToggleCamera()
{
    currentCamera = currentCamera == chaseCamera ? freeCamera : chaseCamera;
    Video::Instance().SetCamera(currentCamera);
}

bool Mod::SetHeldFlag(int code, bool on)
{
    return SetFlag(kCameraKeys, currentCamera, code, on) || SetFlag(kTankKeys, tank, code, on);
}

void Mod::OnKeyDown(int code)
{
    if (g_inputSpy)
        g_inputSpy->KeyDown(code);
    if (mode != kGameMode)
        return;
    if (SetHeldFlag(code, true))
        return;
    switch (code)
    {
    case DIK_SPACE:
        if (tank)
            tank->Fire();
        break;
    case DIK_X:
        Tank::SetChassisPose(kChassisPosition, kChassisUpsideDown);
        break;
    case DIK_T:
        Timer::Instance()->SetTimeScale(kSlowTimeScale);
        break;
    case DIK_G:
        ToggleCamera();
        break;
    default:
        break;
    }
}

void Mod::OnKeyUp(int code)
{
    if (g_inputSpy)
        g_inputSpy->KeyUp(code);
    if (code == DIK_ESCAPE)
    {
        const bool toMenu = mode == kGameMode;
        mode = toMenu ? kMenuMode : kGameMode;
        GuiManager::Instance().SetActive(toMenu);
        return;
    }
    if (mode != kGameMode)
        return;
    if (SetHeldFlag(code, false))
        return;
    if (code == DIK_T)
        Timer::Instance()->SetTimeScale(1.0f);
}

void Mod::OnMouseMove(int dx, int dy)
{
    if (g_inputSpy)
        g_inputSpy->MouseMove(dx, dy);
    if (mode == kMenuMode)
    {
        GuiManager::Instance().OnMouseMove(dx, dy);
        return;
    }
    if (currentCamera)
    {
        currentCamera->AddPitch(static_cast<float>(dy) / kMouseUnitsPerRadian);
        currentCamera->AddYaw(static_cast<float>(dx) / kMouseUnitsPerRadian);
    }
}

void Mod::OnMouseDown(int button)
{
    if (g_inputSpy)
        g_inputSpy->MouseDown(button);
    if (mode != kMenuMode)
        return;
    if (button == 0)
        GuiManager::Instance().OnLeftDown();
    else if (button == 1)
        GuiManager::Instance().OnRightDown();
}

void Mod::OnMouseUp(int button)
{
    if (g_inputSpy)
        g_inputSpy->MouseUp(button);
    if (mode != kMenuMode)
        return;
    if (button == 0)
        GuiManager::Instance().OnLeftUp();
    else if (button == 1)
        GuiManager::Instance().OnRightUp();
}

void Mod::OnChar(char c)
{
    if (g_inputSpy)
        g_inputSpy->Char(c);
    if (mode == kMenuMode)
        GuiManager::Instance().OnChar(c);
}

void TestSetModInputSpy(ModInputSpy* spy)
{
    g_inputSpy = spy;
}
