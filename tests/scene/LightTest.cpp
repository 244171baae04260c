#include "scene/Light.h"

#include "core/RefObject.h"
#include "net/Message.h"

#include <gtest/gtest.h>

namespace
{
SmartPtr<Light> PointLight()
{
    SmartPtr<Light> light = new Light();
    light->kind = Light::kPoint;
    light->colour = Color3(1.0f, 0.5f, 0.2f);
    light->range = 10.0f;
    light->position = Vector3(0, 5, 0);
    return light;
}
} // namespace

TEST(LightTest, PointLightGivesLambertTimesQuadraticFalloff)
{
    SmartPtr<Light> light = PointLight();
    Color3 lit = light->Illuminate(Vector3(0, 0, 0), Vector3(0, 1, 0));
    EXPECT_FLOAT_EQ(lit.r, 0.75f);
    EXPECT_FLOAT_EQ(lit.g, 0.375f);
    EXPECT_FLOAT_EQ(lit.b, 0.15f);

    // At 45 degrees and distance sqrt(50): cos 45 * (1 - 50 / 100).
    lit = light->Illuminate(Vector3(5, 0, 0), Vector3(0, 1, 0));
    EXPECT_NEAR(lit.r, 0.70710678f * 0.5f, 1e-6f);
}

TEST(LightTest, FacingAwayOutOfRangeAndOtherKindsGiveBlack)
{
    SmartPtr<Light> light = PointLight();
    Color3 lit = light->Illuminate(Vector3(0, 0, 0), Vector3(0, -1, 0));
    EXPECT_EQ(lit.r + lit.g + lit.b, 0.0f);
    lit = light->Illuminate(Vector3(0, -5, 0), Vector3(0, 1, 0)); // exactly at the range
    EXPECT_EQ(lit.r + lit.g + lit.b, 0.0f);
    lit = light->Illuminate(Vector3(0, -6, 0), Vector3(0, 1, 0));
    EXPECT_EQ(lit.r + lit.g + lit.b, 0.0f);

    light->kind = Light::kSpot;
    lit = light->Illuminate(Vector3(0, 0, 0), Vector3(0, 1, 0));
    EXPECT_EQ(lit.r + lit.g + lit.b, 0.0f);
    light->kind = Light::kDirectional;
    lit = light->Illuminate(Vector3(0, 0, 0), Vector3(0, 1, 0));
    EXPECT_EQ(lit.r + lit.g + lit.b, 0.0f);
}

TEST(LightTest, ZeroRangeLightOnTheSurfaceGivesBlackNotNaN)
{
    SmartPtr<Light> light = PointLight();
    light->range = 0.0f;
    Color3 lit = light->Illuminate(Vector3(0, 5, 0), Vector3(0, 1, 0));
    EXPECT_EQ(lit.r, 0.0f);
    EXPECT_EQ(lit.g, 0.0f);
}

TEST(LightTest, MoveAndUpdateIntegrateVelocity)
{
    SmartPtr<Light> light = PointLight();
    light->velocity = Vector3(2, 0, 0);
    light->Update(0.5f);
    light->Move(0.5f);
    EXPECT_TRUE(light->position == Vector3(2, 5, 0));
}

TEST(LightTest, StateMessageCarriesTheNodeBlockThenTheLightFields)
{
    SmartPtr<Message> message;
    SmartPtr<Light> light = new Light();
    light->kind = Light::kSpot;
    light->colour = Color3(1, 0.5f, 0.25f);
    light->range = 10;
    light->enabled = 0;
    light->extraFlags[2] = 9;
    message = light->CreateStateMessage();
    EXPECT_EQ(message->GetLength(), 56u + 4 + 12 + 12 + 4);
    message->ReadInt();
    SmartPtr<Light> lightCopy = new Light();
    lightCopy->ApplyState(*message);
    EXPECT_EQ(lightCopy->kind, 1u);
    EXPECT_EQ(lightCopy->colour.g, 0.5f);
    EXPECT_EQ(lightCopy->range, 10.0f);
    EXPECT_EQ(lightCopy->enabled, 0);
    EXPECT_EQ(lightCopy->extraFlags[2], 9);
    EXPECT_FALSE(message->HasOverrun());
}
