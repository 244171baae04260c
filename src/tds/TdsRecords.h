// Plain records the 3DS reader fills: the named-object base, texture maps,
// materials, triangles, cameras and lights. Meshes are in tds/TdsMesh.h.
#pragma once

#include "tds/TdsMath.h"

#include <cstdint>
#include <string>

// Base of every named record. Names are byte strings compared exactly.
class TdsObject
{
public:
    TdsObject() = default;
    virtual ~TdsObject() = default;
    // Records move cheaply when the loader's lists grow.
    TdsObject(const TdsObject&) = default;
    TdsObject(TdsObject&&) noexcept = default;
    TdsObject& operator=(const TdsObject&) = default;
    TdsObject& operator=(TdsObject&&) noexcept = default;
    virtual const char* GetName() const { return name.c_str(); }
    virtual void SetName(const char* newName) { name = newName ? newName : ""; }
    // Exact, case-sensitive comparison, as the loader's find operations use it.
    bool HasName(const char* other) const { return other && name == other; }

private:
    std::string name;
};

// One texture map of a material. Strength is a percentage as the file gives it.
struct TdsMap
{
    float strength = 0.0f;
    char fileName[256] = {};
    float uScale = 1.0f;
    float vScale = 1.0f;
    float uOffset = 0.0f;
    float vOffset = 0.0f;
    float rotation = 0.0f;
};

class TdsMaterial : public TdsObject
{
public:
    // The material's index in its loader's material list.
    uint32_t GetID() const { return id; }
    void SetID(uint32_t newId) { id = newId; }

    TdsMap& GetTextureMap1() { return textureMap1; }
    TdsMap& GetTextureMap2() { return textureMap2; }
    TdsMap& GetOpacityMap() { return opacityMap; }
    TdsMap& GetReflectionMap() { return reflectionMap; }
    TdsMap& GetBumpMap() { return bumpMap; }
    TdsMap& GetSpecularMap() { return specularMap; }
    const TdsMap& GetTextureMap1() const { return textureMap1; }
    const TdsMap& GetTextureMap2() const { return textureMap2; }
    const TdsMap& GetOpacityMap() const { return opacityMap; }
    const TdsMap& GetReflectionMap() const { return reflectionMap; }
    const TdsMap& GetBumpMap() const { return bumpMap; }
    const TdsMap& GetSpecularMap() const { return specularMap; }

    TdsColor GetAmbientColor() const { return ambient; }
    TdsColor GetDiffuseColor() const { return diffuse; }
    TdsColor GetSpecularColor() const { return specular; }
    void SetAmbientColor(const TdsColor& color) { ambient = color; }
    void SetDiffuseColor(const TdsColor& color) { diffuse = color; }
    void SetSpecularColor(const TdsColor& color) { specular = color; }

    // Both are kept in [0, 1]: a negative value or a NaN becomes 0, a value
    // above 1 becomes 1.
    float GetShininess() const { return shininess; }
    float GetTransparency() const { return transparency; }
    void SetShininess(float value) { shininess = Clamp01(value); }
    void SetTransparency(float value) { transparency = Clamp01(value); }

    int32_t GetShading() const { return shading; }
    void SetShading(int32_t value) { shading = value; }

private:
    static float Clamp01(float value);

    uint32_t id = 0;
    TdsMap textureMap1;
    TdsMap textureMap2;
    TdsMap opacityMap;
    TdsMap reflectionMap;
    TdsMap bumpMap;
    TdsMap specularMap;
    TdsColor ambient;
    TdsColor diffuse;
    TdsColor specular;
    float shininess = 0.0f;
    float transparency = 0.0f;
    int32_t shading = 2;
};

struct TdsTriangle
{
    uint16_t a = 0;
    uint16_t b = 0;
    uint16_t c = 0;
};

// The material id of a face that names no material; no list is that long.
constexpr uint32_t kTdsNoMaterial = 0xFFFFFFFF;

// The full per-face record of a mesh.
struct TdsTriangleEx
{
    uint16_t a = 0;
    uint16_t b = 0;
    uint16_t c = 0;
    uint32_t smoothing = 0;
    TdsVector normal;
    // Change of position per unit of u, and per unit of v (the latter unused).
    TdsVector tangent;
    TdsVector tangent2;
    // Index into the loader's material list; the reader gives kTdsNoMaterial
    // to a face that no face-material chunk lists.
    uint32_t materialId = 0;
};

// A triangle expanded to its corners' data, built on request.
struct TdsTriangle2
{
    TdsVertex vertexA;
    TdsVertex vertexB;
    TdsVertex vertexC;
    TdsVector normalA;
    TdsVector normalB;
    TdsVector normalC;
    TdsUV uvA;
    TdsUV uvB;
    TdsUV uvC;
    TdsVector faceNormal;
    uint32_t materialId = 0;
};

class TdsCamera : public TdsObject
{
public:
    void SetPosition(const TdsVector& v) { position = v; }
    TdsVector GetPosition() const { return position; }
    void SetTarget(const TdsVector& v) { target = v; }
    TdsVector GetTarget() const { return target; }
    void SetBank(float value) { bank = value; }
    float GetBank() const { return bank; }
    // Degrees.
    void SetFOV(float value) { fov = value; }
    float GetFOV() const { return fov; }
    void SetNearRange(float value) { nearRange = value; }
    float GetNearRange() const { return nearRange; }
    void SetFarRange(float value) { farRange = value; }
    float GetFarRange() const { return farRange; }

private:
    TdsVector position;
    TdsVector target;
    float bank = 0.0f;
    float fov = 80.0f;
    float nearRange = 10.0f;
    float farRange = 10000.0f;
};

class TdsLight : public TdsObject
{
public:
    void SetPosition(const TdsVector& v) { position = v; }
    TdsVector GetPosition() const { return position; }
    void SetColor(const TdsColor& c) { color = c; }
    TdsColor GetColor() const { return color; }
    void SetSpotlight(bool value) { spotlight = value ? 1 : 0; }
    bool IsSpotlight() const { return spotlight != 0; }
    void SetTarget(const TdsVector& v) { target = v; }
    TdsVector GetTarget() const { return target; }
    void SetHotspot(float value) { hotspot = value; }
    float GetHotspot() const { return hotspot; }
    void SetFalloff(float value) { falloff = value; }
    float GetFalloff() const { return falloff; }
    void SetOuterRange(float value) { outerRange = value; }
    float GetOuterRange() const { return outerRange; }
    void SetInnerRange(float value) { innerRange = value; }
    float GetInnerRange() const { return innerRange; }

private:
    TdsVector position;
    TdsColor color;
    uint8_t spotlight = 0;
    TdsVector target;
    float hotspot = 0.0f;
    float falloff = 0.0f;
    float outerRange = 1000.0f;
    float innerRange = 100.0f;
};
