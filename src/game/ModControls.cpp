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

#include <ode/ode.h>

namespace
{
ModInputSpy* g_inputSpy = nullptr;

// Slow motion while T is held.
constexpr float kSlowTimeScale = 0.2f;
// Mouse units per radian of camera turn.
constexpr float kMouseUnitsPerRadian = 100.0f;

void ToggleCamera()
{
    g_currentCamera = g_currentCamera == g_chaseCamera ? g_freeCamera : g_chaseCamera;
    Video::Instance().SetCamera(g_currentCamera);
}

// The arrow keys fly the current camera: down sets its flag, up clears it.
// Returns false for any other key.
bool MoveCamera(int code, bool on)
{
    Camera* camera = g_currentCamera;
    switch (code)
    {
    case DIK_UP:
        if (camera)
            camera->SetMoveForward(on);
        return true;
    case DIK_DOWN:
        if (camera)
            camera->SetMoveBackward(on);
        return true;
    case DIK_LEFT:
        if (camera)
            camera->SetMoveLeft(on);
        return true;
    case DIK_RIGHT:
        if (camera)
            camera->SetMoveRight(on);
        return true;
    default:
        return false;
    }
}

// The tank's keys: down sets the flag, up clears it. Returns false for any
// other key.
bool SetTankFlag(int code, bool on)
{
    void (Tank::*setter)(bool) = nullptr;
    switch (code)
    {
    case DIK_W:
        setter = &Tank::SetGunUp;
        break;
    case DIK_S:
        setter = &Tank::SetGunDown;
        break;
    case DIK_A:
        setter = &Tank::SetTorsoLeft;
        break;
    case DIK_D:
        setter = &Tank::SetTorsoRight;
        break;
    case DIK_C:
        setter = &Tank::SetDriveForward;
        break;
    case DIK_V:
        setter = &Tank::SetDriveBackward;
        break;
    case DIK_N:
        setter = &Tank::SetTurnLeft;
        break;
    case DIK_M:
        setter = &Tank::SetTurnRight;
        break;
    default:
        return false;
    }
    if (g_tank)
        (g_tank->*setter)(on);
    return true;
}

// X: the chassis alone jumps to a fixed world point, upside down (a half turn
// about x, ODE's w first) and facing -z; its velocities and the wheels stay as
// they are, and the hinges pull the wheels after it.
void SetChassisPose()
{
    dBodyID chassis = Tank::GetChassisBody();
    if (!chassis)
        return;
    dBodySetPosition(chassis, dReal(0), dReal(5), dReal(0));
    const dQuaternion upsideDown = {dReal(0), dReal(1), dReal(0), dReal(0)};
    dBodySetQuaternion(chassis, upsideDown);
}
} // namespace

void Mod::OnKeyDown(int code)
{
    if (g_inputSpy)
        g_inputSpy->KeyDown(code);
    if (mode != kGameMode)
        return;
    if (MoveCamera(code, true) || SetTankFlag(code, true))
        return;
    switch (code)
    {
    case DIK_SPACE:
        if (g_tank)
            g_tank->Fire();
        break;
    case DIK_X:
        SetChassisPose();
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
    if (MoveCamera(code, false) || SetTankFlag(code, false))
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
    if (g_currentCamera)
    {
        g_currentCamera->AddPitch(static_cast<float>(dy) / kMouseUnitsPerRadian);
        g_currentCamera->AddYaw(static_cast<float>(dx) / kMouseUnitsPerRadian);
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
