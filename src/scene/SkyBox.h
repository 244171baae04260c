// Six textured squares of a cube of half-size 1 centred on the current camera,
// drawn without depth writes so that everything drawn later covers them.
#pragma once

#include "core/SmartPtr.h"
#include "scene/SceneNode.h"
#include "video/Texture.h"

class IDirect3DVertexBuffer9;

struct SkyBoxVertex
{
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(SkyBoxVertex) == 24, "SkyBoxVertex must match the 24-byte vertex format");

// Four vertices a face: z = +1, z = -1, x = +1, x = -1, y = +1, y = -1.
extern const SkyBoxVertex SkyBoxVertices[24];

class SkyBox : public SceneNode
{
public:
    // Creates and fills the vertex buffer; a failure is logged and leaves a sky
    // box that draws nothing.
    SkyBox();
    ~SkyBox() override;

    int GetType() override { return kNodeSkyBox; }
    // Six textured faces around the current camera with RenderPreset::SceneQuads:
    // bilinear from each texture's top level, depth-tested but not written;
    // depth writing is on again afterwards.
    void Render(IDirect3DDevice9* device) override;

    // Loads the six faces' textures: prefix + "ft.bmp", "bk.bmp", "lf.bmp",
    // "rt.bmp", "up.bmp", "dn.bmp", through the resource cache. Returns 0.
    int Load(const char* prefix);
    // Replaces one face's texture (0 to 5; others are ignored). Returns 0.
    int SetFaceTexture(int face, Texture* texture);

    SmartPtr<Texture> faceTextures[6];
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
};
