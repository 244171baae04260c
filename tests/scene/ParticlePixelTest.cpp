// Particles and shells read back from the real renderer: textured squares that
// face the camera however it turns, their opacity following life, the shell's
// streak, and no smoke at the world origin when a shell is fired and hits.
#include "scene/ParticleSystem.h"
#include "scene/Projectile.h"
#include "support/SceneFixture.h"
#include "video/ResourceManager.h"

#include <algorithm>
#include <cmath>

namespace
{
const float kPi = 3.14159265f;

class ParticlePixelTest : public SceneTest
{
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        HalvesImage("data/textures/smoke.png", 0xFFFFFF, 0xFFFFFF);
        View(Vector3());
    }

    // A stopped system under the root with one white particle of edge `size`
    // that neither moves, fades nor grows.
    Particle* StillParticle(const char* texture, const Vector3& at, float size)
    {
        ParticleSystem* system = new ParticleSystem();
        system->texture = ResourceManager::Instance().GetTexture(texture);
        system->sizeMin = system->sizeMax = size;
        system->growthMin = system->growthMax = 0.0f;
        system->fade = 0.0f;
        system->origin = at;
        system->StopEmitting();
        system->EmitParticle();
        Add(system);
        Particle* particle = system->particles.front().Get();
        particle->colour = Color3(1, 1, 1);
        return particle;
    }
};
} // namespace

TEST_F(ParticlePixelTest, ParticleIsATexturedSquareFacingTheCameraBlendedByLife)
{
    HalvesImage("data/textures/halves.png", 0xFF0000, 0x00FF00);
    const Vector3 p(3, 2, 10);
    Particle* particle = StillParticle("data/textures/halves.png", p, 2.0f);

    // Yaw and pitch of each view.
    const std::pair<float, float> turns[] = {
        {0, 0}, {kPi / 2, 0}, {-3 * kPi / 4, kPi / 5}, {kPi, -kPi / 3}};
    for (const auto& turn : turns)
    {
        camera->yaw = camera->pitch = 0;
        camera->AddYaw(turn.first);
        camera->AddPitch(turn.second);
        Draw();
        const float* m = camera->worldMatrix.m;
        Vector3 right(m[0], m[1], m[2]), up(m[4], m[5], m[6]), ahead(m[8], m[9], m[10]);
        camera->position = p - ahead * 6.0f;
        TestFrame frame = Draw();

        // The texture's left half on the camera's left, the top row on top,
        // and nothing past the square's edge, one unit from its centre.
        SCOPED_TRACE(testing::Message() << "yaw " << turn.first << " pitch " << turn.second);
        EXPECT_TRUE(ColorNear(At(frame, p - right * 0.5f), 0xFFFF0000));
        EXPECT_TRUE(ColorNear(At(frame, p + right * 0.5f), 0xFF00FF00));
        EXPECT_TRUE(ColorNear(At(frame, p - right * 0.5f + up * 0.9f), 0xFFFF0000));
        EXPECT_TRUE(ColorNear(At(frame, p + right * 1.2f), kClearColour));
        EXPECT_TRUE(ColorNear(At(frame, p - up * 1.2f), kClearColour));
    }

    // Seen straight along z, the square's edges, left and right along the
    // centre's row and top and bottom along its column, lie where the camera
    // puts the points half its size from its centre, within a pixel.
    camera->yaw = camera->pitch = 0;
    camera->AddYaw(0);
    camera->position = p - Vector3(0, 0, 6);
    const TestFrame square = Draw();
    const Pixel centre = PixelOf(square, *camera, p);
    auto lastDrawn = [&](int dx, int dy)
    {
        Pixel at = centre;
        for (Pixel next{at.x + dx, at.y + dy};
             next.x >= 0 && next.x < square.width && next.y >= 0 && next.y < square.height &&
             !ColorNear(square.At(next.x, next.y), kClearColour);
             next = {next.x + dx, next.y + dy})
            at = next;
        return at;
    };
    const float half = particle->size / 2.0f;
    EXPECT_NEAR(lastDrawn(-1, 0).x, PixelOf(square, *camera, p - Vector3(half, 0, 0)).x, 1);
    EXPECT_NEAR(lastDrawn(1, 0).x, PixelOf(square, *camera, p + Vector3(half, 0, 0)).x, 1);
    EXPECT_NEAR(lastDrawn(0, -1).y, PixelOf(square, *camera, p + Vector3(0, half, 0)).y, 1);
    EXPECT_NEAR(lastDrawn(0, 1).y, PixelOf(square, *camera, p - Vector3(0, half, 0)).y, 1);

    // Red blended over the clear colour by alpha = life * 255 truncated.
    for (float life : {0.5f, 0.25f})
    {
        particle->life = life;
        const uint32_t alpha = static_cast<uint32_t>(life * 255.0f);
        EXPECT_TRUE(ColorNear(At(Draw(), p - Vector3(0.5f, 0, 0)),
                              Blend(alpha << 24 | 0xFF0000, kClearColour), 2))
            << "life " << life;
    }
}

TEST_F(ParticlePixelTest, StreakIsFaintAtTheShellAndWhiteAtItsTip)
{
    Projectile* shell = new Projectile();
    shell->useGravity = 0;
    shell->position = Vector3(-2, 49, 0);
    shell->velocity = Vector3(0, 30, 0);
    shell->trail->StopEmitting();
    Add(shell);
    camera->position = Vector3(0, 50, -8);
    TestFrame frame = Draw();

    // The brightest red within three pixels of the line, at a tenth and at
    // nine tenths of its three units.
    auto brightest = [&](float along)
    {
        Pixel at = PixelOf(frame, *camera, Vector3(-2, 49 + 3 * along, 0));
        uint32_t best = 0;
        for (int x = at.x - 3; x <= at.x + 3; ++x)
            best = std::max(best, (frame.At(x, at.y) >> 16) & 0xFF);
        return best;
    };
    EXPECT_LT(brightest(0.1f), 110u);
    EXPECT_GT(brightest(0.9f), 200u);
}

TEST_F(ParticlePixelTest, FiredShellLeavesNoSmokeAtTheWorldOrigin)
{
    camera->position = Vector3(0, 2, -12);
    const Vector3 launch(6, 1.2f, 0);
    Projectile* shell = new Projectile();
    shell->position = launch;
    shell->velocity = Vector3(0, -20, 0);
    Add(shell);

    // The first frame flies, the second hits the ground below the launch point.
    for (DWORD ms : {1000u, 1010u})
    {
        TestFrame frame = Draw(ms, 0.05f);
        EXPECT_FALSE(ColorNear(At(frame, launch), kClearColour, 8)) << "the trail's first puff";
        EXPECT_FALSE(AnyPixelNear(frame, *camera, Vector3(), 6,
                                  [](uint32_t c) { return !ColorNear(c, kClearColour); }))
            << "smoke at the origin at " << ms << " ms";
    }
    EXPECT_FALSE(shell->IsAlive());
}
