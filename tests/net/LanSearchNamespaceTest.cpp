// The LAN search against the real address list, run in a child process inside
// a network namespace of its own: one veth pair carrying 10.1.2.3/24, a server
// listening on the default port there. Probes to the other hosts of that /24
// leave only into the namespace's own veth peer. Skips when the namespace or
// its interfaces cannot be made.
#include "NetTestSupport.h"

#include "net/NetClient.h"
#include "net/NetworkSubsystem.h"
#include "net/Server.h"
#include "platform/SocketTestHooks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const int kSkip = 77;

bool WriteFile(const char* path, const char* text)
{
    int fd = open(path, O_WRONLY);
    if (fd < 0)
        return false;
    bool ok = write(fd, text, std::strlen(text)) == static_cast<ssize_t>(std::strlen(text));
    close(fd);
    return ok;
}

bool EnterOwnNetwork()
{
    if (unshare(CLONE_NEWNET) != 0)
    {
        // Without the privilege, a user namespace may grant it.
        uid_t uid = getuid();
        gid_t gid = getgid();
        if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
            return false;
        char map[64];
        WriteFile("/proc/self/setgroups", "deny");
        std::snprintf(map, sizeof map, "0 %u 1", static_cast<unsigned>(uid));
        if (!WriteFile("/proc/self/uid_map", map))
            return false;
        std::snprintf(map, sizeof map, "0 %u 1", static_cast<unsigned>(gid));
        if (!WriteFile("/proc/self/gid_map", map))
            return false;
    }
    return std::system("ip link set lo up >/dev/null 2>&1 && "
                       "ip link add tolvi0 type veth peer name tolvi1 >/dev/null 2>&1 && "
                       "ip addr add 10.1.2.3/24 dev tolvi0 >/dev/null 2>&1 && "
                       "ip link set tolvi0 up >/dev/null 2>&1 && "
                       "ip link set tolvi1 up >/dev/null 2>&1") == 0;
}

// The child's whole run; its result is the exit code.
int SearchInOwnNetwork()
{
    if (!EnterOwnNetwork())
        return kSkip;
    // Inside this namespace every address is the test's own.
    TestAllowOnlyLoopback(false);
    NetworkSubsystem::Instance()->Init();
    RecordingSpy spy;
    TestSetModHookSpy(&spy);

    Server server;
    server.Start();
    if (server.GetListenPort() != 1337)
        return 2;
    NetClient client;
    client.SearchLAN();
    if (client.GetProbeCount() != 255)
        return 3;

    SmartPtr<Message> reply(new Message());
    reply->type = NetClient::kServerReply;
    reply->WriteString("Tolvi");
    reply->WriteString("own");
    reply->WriteString("namespace");
    reply->WriteInt(1);
    reply->WriteInt(2);

    size_t answered = 0;
    bool found = DriveUntil(
        [&]
        {
            client.Update();
            server.Update();
            for (; answered < spy.Of("ClientConnected").size(); ++answered)
                server.SendToNow(reply.Get(), spy.Of("ClientConnected")[answered].id);
        },
        [&] { return !spy.found.empty(); }, 1500);
    if (!found)
        return 4;
    if (spy.found.size() != 1 || spy.found[0]->address != "10.1.2.3" ||
        spy.found[0]->text3 != "namespace" || spy.found[0]->port != 1337)
        return 5;
    return 0;
}
} // namespace

TEST(LanSearchNamespaceTest, FindsTheServerOnTheOwnSlash24)
{
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(SearchInOwnNetwork());
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kSkip)
        GTEST_SKIP() << "no network namespace with a veth pair can be made here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see the step numbers in SearchInOwnNetwork";
}
