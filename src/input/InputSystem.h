// Reads the keyboard and the mouse once per frame and turns changes of their
// state into calls of the game module's input handlers; passes typed
// characters on as they come.
#pragma once

#include "platform/DirectInput.h"

class InputSystem
{
public:
    static InputSystem* Instance();

    // Creates the interface and the two devices and activates them. A part
    // that cannot be created is logged once and left out: the system runs
    // without that device. Called by Kernel::Init.
    void Init();
    // Acquires (on) or unacquires the devices and logs the change; does
    // nothing while no device exists. Called by Init, Shutdown and the window
    // procedure on every activation message.
    void SetActive(bool on);
    // Once per frame from Kernel::Update while active: mouse motion, then
    // button edges 0 to 7, then key edges in ascending key code. A failed read
    // counts as nothing changed: no motion, the previous keys and buttons.
    void Update();
    // Hands a typed character to Mod::OnChar at once, active or not. Called by
    // the window procedure.
    void OnChar(char c);
    // Deactivates and releases the devices and the interface. Called by
    // Kernel::Shutdown.
    void Shutdown();

    IDirectInput8A* directInput = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
    IDirectInputDevice8A* keyboard = nullptr;
    // Never created; handled like the others should it be set.
    IDirectInputDevice8A* thirdDevice = nullptr;
    bool active = false;
    BYTE previousKeys[256] = {};
    BYTE currentKeys[256] = {};
    DIMOUSESTATE2 previousMouse = {};
    DIMOUSESTATE2 currentMouse = {};

private:
    // Creates a device with its data format and the main window's foreground
    // level; null, with one log line, when it cannot be created.
    IDirectInputDevice8A* CreateDevice(REFGUID guid, const DIDATAFORMAT* format, const char* name);
    void ReadMouse();
    void ReadKeyboard();
};
