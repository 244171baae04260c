// The whole "tolvi.log" of a run: the program's entry starts the Kernel, runs
// four frames and shuts everything down, and the log must read exactly as
// listed below. A subsystem that joins the Kernel adds its lines to the one
// list, at its place in the start-up, frame or shut-down order.
//
// The frames also show the order of the network ticks: a test node in the
// main scene graph (updated after the server and the client) marks the end of
// each frame's scene update and lines up, for the next frame, a message for
// the server and one for the client that each log a warning on arrival.
#include "../net/NetTestSupport.h"

#include "core/Log.h"
#include "core/Shell.h"
#include "net/NetClient.h"
#include "net/Server.h"
#include "platform/TestHooks.h"
#include "scene/SceneGraph.h"
#include "scene/SceneNode.h"
#include "support/FreshProcess.h"
#include "support/ImageFiles.h"
#include "support/LoopbackPeer.h"
#include "support/TextFiles.h"
#include "support/Wait.h"

#include <functional>

namespace
{
// The lines a loader logs when the file is missing and it makes a stand-in.
std::vector<std::string> MissingTextures(const std::vector<std::string>& paths)
{
    std::vector<std::string> lines;
    for (const std::string& path : paths)
        lines.insert(lines.end(),
                     {"  !!! Failed to load texture " + path + ".", "  Dummy texture created"});
    return lines;
}

std::vector<std::string> MissingModel(const std::string& file)
{
    return {"  Importing 3DS File '" + file + "'", "  TdsReader::LoadFile - cannot open file",
            "  Dummy model created."};
}

std::vector<std::string> Joined(const std::vector<std::vector<std::string>>& parts)
{
    std::vector<std::string> lines;
    for (const std::vector<std::string>& part : parts)
        lines.insert(lines.end(), part.begin(), part.end());
    return lines;
}

// "127.0.0.1:<port>" stands for the peer's port, which changes from run to run.
const std::vector<std::string> kExpectedLog = Joined({
    // Start-up.
    {"Initializing Kernel", "{", " tolvi.log opened", " Initializing Video Subsystem", " {",
     "  Direct3DCreate9()...  OK", "  ", "  Adapters found in the system",
     "  OpenGL fixed-function device", "  ", "  IDirect3D9::GetDeviceCaps()...  OK",
     "  IDirect3D9::CreateDevice()...  OK", "  Video::Initialize succeded.", " }",
     " Initializing Input Subsystem", " {", "  Input system activated.", " }",
     " Initializing Network Subsystem", " {", "  Starting up Winsock.", " }",
     // The game module builds its scene last; the folder holds none of its
     // files, so each loader reports its own.
     " Starting Mod", " {"},
    MissingTextures(
        {"data\\textures\\font.png", "data\\textures\\cursor.png", "data/textures/tolvi01.jpg",
         "data/textures/cliffft.bmp", "data/textures/cliffbk.bmp", "data/textures/clifflf.bmp",
         "data/textures/cliffrt.bmp", "data/textures/cliffup.bmp", "data/textures/cliffdn.bmp"}),
    MissingModel("tank_body.3ds"),
    MissingModel("tank_torso.3ds"),
    MissingModel("tank_gun.3ds"),
    {"  Tank::Create() - model tank_body.3ds too small for the chassis, box lengths clamped to "
     "at least 0.01."},
    MissingModel("level_boden.3ds"),
    {"  Error: File \"data/music/freude.ogg\" not found.", " }", "}",
     // The main loop. Frame 2 ticks the server (which accepts the peer) and
     // the client (which only finishes its connect); frame 3 falls in the same
     // millisecond, so only the client ticks and reads; frame 4 ticks the
     // server, then the client.
     "Mainloop", "{", " [test] frame 1", " Client at 127.0.0.1:<port> has connected.",
     " [test] frame 2", " Warning: non-server message received.", " [test] frame 3",
     " Warning: non-client message from 127.0.0.1 received.",
     " Warning: non-server message received.", " [test] frame 4", "}",
     // Shut-down.
     "Shutting Down Kernel", "{", " Stopping Mod", " {", " }", " Shutting Down Network Subsystem",
     " {", "  Shutting down Winsock.", " }", " Shutting Down Input Subsystem", " {",
     "  Input system deactivated.", " }", " Shutting down Video subsystem", " {", " }",
     " deleting remaining memory objects...", "}"},
});

// Runs one scripted step at the end of each frame's scene update, then closes
// the main window after the last. A step that cannot do its part says so in
// the log, where the comparison shows it.
class FrameScript : public SceneNode
{
public:
    int GetType() override { return 1; }
    void Update(float) override
    {
        ++frame;
        Log::Printf(Log::Instance(), "[test] frame %d\n", frame);
        if (frame <= static_cast<int>(steps.size()) && !steps[frame - 1]())
            Log::Printf(Log::Instance(), "[test] step %d failed\n", frame);
        if (frame == static_cast<int>(steps.size()))
            TestPostMessage(g_mainWindow, WM_CLOSE, 0, 0);
    }

    std::vector<std::function<bool()>> steps;
    int frame = 0;
};

const uint32_t kServerToClientType = 1;
const uint32_t kClientToServerType = 0x401;

// The child's part: the program's entry, with the script in the main graph.
void RunScriptedProgram()
{
    TestSetClock(1000);
    FrameScript* script = new FrameScript();
    // The server's peer and the far end of the client's link are the test's
    // own sockets; what they send is in the receiving stack before the next
    // frame starts.
    int peer = -1;
    int clientsPeer = -1;
    auto sendFrame = [](int fd, uint32_t type)
    { return LoopbackSendDelivered(fd, Frame(type, {}), 5000); };
    script->steps = {
        [&]
        {
            Server* server = Server::Instance();
            server->SetPort(0);
            server->Start();
            peer = LoopbackConnect(server->GetListenPort());
            uint16_t port = 0;
            int listener = LoopbackListen(&port);
            NetClient::Instance()->Connect("127.0.0.1", port);
            clientsPeer = LoopbackAccept(listener, 5000);
            LoopbackClose(listener);
            TestSetClock(1001);
            return peer >= 0 && sendFrame(clientsPeer, kClientToServerType);
        },
        [&] { return sendFrame(peer, kServerToClientType); },
        [&]
        {
            // A second after the client's last warning, so that it warns again.
            TestSetClock(2001);
            return sendFrame(clientsPeer, kClientToServerType);
        },
        [] { return true; },
    };
    MainSceneGraph.GetRoot()->AddChild(script);
    static char commandLine[1] = {0};
    WinMain(nullptr, nullptr, commandLine, SW_SHOW);
}

std::string Normalised(std::string line)
{
    const std::string address = "127.0.0.1:";
    size_t at = line.find(address);
    if (at == std::string::npos)
        return line;
    size_t digits = at + address.size();
    size_t end = line.find_first_not_of("0123456789", digits);
    return line.replace(digits, (end == std::string::npos ? line.size() : end) - digits, "<port>");
}
} // namespace

// The program runs in a fresh process: a forked copy of this one would inherit
// a GL driver whose worker threads stayed behind.
TEST(KernelLogTest, WholeRunLogsStartUpFramesAndShutDownInOrder)
{
    if (const char* folder = FreshProcessFolder())
    {
        ASSERT_EQ(chdir(folder), 0);
        RunScriptedProgram();
        return;
    }
    ScratchFolder folder;
    ASSERT_EQ(WaitExit(StartFreshProcess(folder.path), std::chrono::seconds(60)), 0);

    std::vector<std::string> lines = ReadLines(folder.File("tolvi.log"));
    for (std::string& line : lines)
        line = Normalised(line);
    size_t same = 0;
    while (same < lines.size() && same < kExpectedLog.size() && lines[same] == kExpectedLog[same])
        ++same;
    std::string log;
    for (const std::string& line : lines)
        log += line + "\n";
    ASSERT_EQ(lines.size(), same) << "the log differs from line " << same + 1 << ":\n" << log;
    EXPECT_EQ(lines.size(), kExpectedLog.size()) << "the log ends early:\n" << log;
}
