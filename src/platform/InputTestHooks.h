// Hooks through which tests drive the keyboard and mouse devices: the state a
// user's hands would produce, and devices that fail. The game never calls these.
#pragma once

#include "platform/DirectInput.h"

// The byte the keyboard reports for a key code from now on (0x80 is down, but
// any value is passed through as given).
void TestSetKeyState(BYTE keyCode, BYTE value);
// The byte the mouse reports for button 0 to 7 from now on.
void TestSetMouseButton(int button, BYTE value);
// Motion the mouse adds to what its next read reports.
void TestMoveMouse(LONG dx, LONG dy, LONG dz);
// While set, every GetDeviceState fails with DIERR_GENERIC and writes nothing.
void TestFailDeviceReads(bool fail);
// While set, DirectInput8Create fails with DIERR_GENERIC.
void TestRefuseDirectInput(bool refuse);
// While set, CreateDevice with this device's GUID fails with DIERR_DEVICENOTREG.
void TestRefuseInputDevice(REFGUID device, bool refuse);
// Every key and button up, no motion waiting, no failures.
void TestResetInput();
