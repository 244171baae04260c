#include "input/InputSystem.h"

#include "core/Log.h"
#include "core/Shell.h"
#include "game/Mod.h"

#include <cstring>

namespace
{
const DWORD kCooperativeLevel = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;

template <typename Device> void ReleaseAndClear(Device*& device)
{
    if (device)
        device->Release();
    device = nullptr;
}
} // namespace

InputSystem* InputSystem::Instance()
{
    static InputSystem system;
    return &system;
}

void InputSystem::Init()
{
    LogScope scope("Initializing Input Subsystem");
    memset(previousKeys, 0, sizeof(previousKeys));
    memset(currentKeys, 0, sizeof(currentKeys));
    previousMouse = DIMOUSESTATE2{};
    currentMouse = DIMOUSESTATE2{};

    void* created = nullptr;
    if (FAILED(DirectInput8Create(g_instance, DIRECTINPUT_VERSION, IID_IDirectInput8A, &created,
                                  nullptr)))
    {
        Log::Printf(Log::Instance(),
                    "InputSystem::Init() > DirectInput8Create() failed: no keyboard or mouse.\n");
        return;
    }
    directInput = static_cast<IDirectInput8A*>(created);
    keyboard = CreateDevice(GUID_SysKeyboard, &c_dfDIKeyboard, "keyboard");
    mouse = CreateDevice(GUID_SysMouse, &c_dfDIMouse2, "mouse");
    SetActive(true);
}

IDirectInputDevice8A* InputSystem::CreateDevice(REFGUID guid, const DIDATAFORMAT* format,
                                                const char* name)
{
    IDirectInputDevice8A* device = nullptr;
    if (FAILED(directInput->CreateDevice(guid, &device, nullptr)))
    {
        Log::Printf(Log::Instance(),
                    "InputSystem::Init() > IDirectInput8A::CreateDevice() failed: no %s.\n", name);
        return nullptr;
    }
    // Left unchecked: a device without its format or level fails its reads,
    // which Update takes as no change.
    device->SetDataFormat(format);
    device->SetCooperativeLevel(g_mainWindow, kCooperativeLevel);
    return device;
}

void InputSystem::SetActive(bool on)
{
    if (!mouse && !keyboard && !thirdDevice)
        return;
    IDirectInputDevice8A* devices[] = {mouse, keyboard, thirdDevice};
    if (on && !active)
    {
        for (IDirectInputDevice8A* device : devices)
        {
            if (device)
                device->Acquire();
        }
        Log::Printf(Log::Instance(), "Input system activated.\n");
    }
    else if (!on && active)
    {
        for (IDirectInputDevice8A* device : devices)
        {
            if (device)
                device->Unacquire();
        }
        Log::Printf(Log::Instance(), "Input system deactivated.\n");
    }
    active = on;
}

void InputSystem::Update()
{
    if (!active)
        return;
    if (mouse)
        ReadMouse();
    if (keyboard)
        ReadKeyboard();
}

void InputSystem::ReadMouse()
{
    Mod* mod = Mod::Instance();
    previousMouse = currentMouse;
    if (FAILED(mouse->GetDeviceState(sizeof(currentMouse), &currentMouse)))
    {
        // Reporting the last motion again would keep the camera turning.
        currentMouse = previousMouse;
        currentMouse.lX = 0;
        currentMouse.lY = 0;
        currentMouse.lZ = 0;
    }
    if (currentMouse.lX != 0 || currentMouse.lY != 0)
        mod->OnMouseMove(currentMouse.lX, currentMouse.lY);
    for (int i = 0; i < 8; ++i)
    {
        bool down = currentMouse.rgbButtons[i] != 0;
        bool wasDown = previousMouse.rgbButtons[i] != 0;
        if (down && !wasDown)
            mod->OnMouseDown(i);
        else if (wasDown && !down)
            mod->OnMouseUp(i);
    }
}

void InputSystem::ReadKeyboard()
{
    Mod* mod = Mod::Instance();
    memcpy(previousKeys, currentKeys, sizeof(currentKeys));
    if (FAILED(keyboard->GetDeviceState(sizeof(currentKeys), currentKeys)))
        memcpy(currentKeys, previousKeys, sizeof(currentKeys));
    for (int i = 0; i < 256; ++i)
    {
        bool down = (currentKeys[i] & 0x80) != 0;
        bool wasDown = (previousKeys[i] & 0x80) != 0;
        if (down && !wasDown)
            mod->OnKeyDown(i);
        else if (wasDown && !down)
            mod->OnKeyUp(i);
    }
}

void InputSystem::OnChar(char c)
{
    Mod::Instance()->OnChar(c);
}

void InputSystem::Shutdown()
{
    LogScope scope("Shutting Down Input Subsystem");
    SetActive(false);
    ReleaseAndClear(mouse);
    ReleaseAndClear(keyboard);
    ReleaseAndClear(thirdDevice);
    ReleaseAndClear(directInput);
}
