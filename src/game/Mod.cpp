#include "game/Mod.h"

#include "game/ModInputSpy.h"

namespace
{
ModInputSpy* g_inputSpy = nullptr;
} // namespace

Mod* Mod::Instance()
{
    static Mod mod;
    return &mod;
}

// The game answers no network events yet.
void Mod::OnClientMessage(Message*) {}

void Mod::OnServerMessage(Message*) {}

void Mod::OnServerFound(ServerInfo*) {}

void Mod::OnClientConnected(int) {}

void Mod::OnClientDisconnected(int) {}

// The game binds no controls yet; only a test's spy sees the calls.
void Mod::OnKeyDown(int code)
{
    if (g_inputSpy)
        g_inputSpy->KeyDown(code);
}

void Mod::OnKeyUp(int code)
{
    if (g_inputSpy)
        g_inputSpy->KeyUp(code);
}

void Mod::OnMouseMove(int dx, int dy)
{
    if (g_inputSpy)
        g_inputSpy->MouseMove(dx, dy);
}

void Mod::OnMouseDown(int button)
{
    if (g_inputSpy)
        g_inputSpy->MouseDown(button);
}

void Mod::OnMouseUp(int button)
{
    if (g_inputSpy)
        g_inputSpy->MouseUp(button);
}

void Mod::OnChar(char c)
{
    if (g_inputSpy)
        g_inputSpy->Char(c);
}

void TestSetModInputSpy(ModInputSpy* spy)
{
    g_inputSpy = spy;
}
