// Lets tests watch the input calls that reach the game module. The game never
// sets a spy.
#pragma once

// Sees each input handler call of the Mod as it runs.
class ModInputSpy
{
public:
    virtual ~ModInputSpy() = default;
    virtual void KeyDown(int) {}
    virtual void KeyUp(int) {}
    virtual void MouseMove(int, int) {}
    virtual void MouseDown(int) {}
    virtual void MouseUp(int) {}
    virtual void Char(char) {}
};

// Null removes the spy. The caller keeps ownership.
void TestSetModInputSpy(ModInputSpy* spy);
