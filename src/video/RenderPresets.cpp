#include "video/RenderPresets.h"

#include "video/ScreenVertex.h"

namespace
{
void SetSampler(IDirect3DDevice9* device, DWORD sampler, DWORD minMag, DWORD mip)
{
    device->SetSamplerState(sampler, D3DSAMP_MINFILTER, minMag);
    device->SetSamplerState(sampler, D3DSAMP_MAGFILTER, minMag);
    device->SetSamplerState(sampler, D3DSAMP_MIPFILTER, mip);
}

// The scene's usual sampling on samplers 0 to count - 1: bilinear, with the
// nearest mip level.
void SetSceneSampling(IDirect3DDevice9* device, DWORD count)
{
    for (DWORD sampler = 0; sampler < count; ++sampler)
        SetSampler(device, sampler, D3DTEXF_LINEAR, D3DTEXF_POINT);
}

void SetSourceAlphaBlending(IDirect3DDevice9* device)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void SetBlending(IDirect3DDevice9* device, bool blended)
{
    if (blended)
        SetSourceAlphaBlending(device);
    else
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

// The stage multiplies its texture into what the stages before it give.
void SetModulatingStage(IDirect3DDevice9* device, DWORD stage)
{
    device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_CURRENT);
}

// What every scene preset states first: the vertex format, the fixed-function
// pipeline, lighting and the depth test and writes.
void SetScenePipeline(IDirect3DDevice9* device, DWORD fvf, bool lit, bool depthTest,
                      bool depthWrite)
{
    device->SetFVF(fvf);
    device->SetRenderState(D3DRS_LIGHTING, lit ? TRUE : FALSE);
    device->SetRenderState(D3DRS_ZENABLE, depthTest ? D3DZB_TRUE : D3DZB_FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, depthWrite ? TRUE : FALSE);
    device->SetPixelShader(nullptr);
    device->SetVertexShader(nullptr);
}

void SetLines(IDirect3DDevice9* device, bool depth)
{
    device->SetTexture(0, nullptr);
    SetScenePipeline(device, kLineVertexFvf, false, depth, depth);
    // Lines carry no texture coordinates; the filters are set so that what
    // follows finds the scene's usual sampling.
    SetSceneSampling(device, 1);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    // A texture left on stage 1 (a lightmap) would tint the lines.
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
}

void SetScreen(IDirect3DDevice9* device, DWORD minMag)
{
    device->SetVertexShader(nullptr);
    SetSampler(device, 0, minMag, D3DTEXF_NONE);
    SetSourceAlphaBlending(device);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetFVF(kScreenVertexFvf);
}

void SetScreenOverlay(IDirect3DDevice9* device, DWORD minMag)
{
    SetScreen(device, minMag);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
}

void SetSceneQuads(IDirect3DDevice9* device, bool blended)
{
    SetScenePipeline(device, kSceneQuadFvf, false, true, false);
    // The sky is seen from its centre and always magnified: its top level is
    // all it shows. Particles far away are minified and take the nearest level.
    SetSampler(device, 0, D3DTEXF_LINEAR, blended ? D3DTEXF_POINT : D3DTEXF_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    for (DWORD stage = 1; stage <= 3; ++stage)
        device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetBlending(device, blended);
}

// Unlit, opaque, depth-written triangles whose stages from `firstModulating`
// to 1 multiply their textures in, sampled as the scene samples on the first
// `samplers` samplers.
void SetUnlitMultitexture(IDirect3DDevice9* device, DWORD fvf, DWORD samplers,
                          DWORD firstModulating)
{
    SetScenePipeline(device, fvf, false, true, true);
    SetSceneSampling(device, samplers);
    for (DWORD stage = firstModulating; stage <= 1; ++stage)
        SetModulatingStage(device, stage);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void SetModelTriangles(IDirect3DDevice9* device)
{
    SetScenePipeline(device, kModelVertexFvf, true, true, true);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    D3DMATERIAL9 material = {};
    material.Diffuse.r = 1.0f;
    material.Diffuse.g = 1.0f;
    material.Diffuse.b = 1.0f;
    material.Diffuse.a = 1.0f;
    device->SetMaterial(&material);
    SetSceneSampling(device, 4);
}
} // namespace

void ApplyRenderPreset(IDirect3DDevice9* device, RenderPreset preset)
{
    switch (preset)
    {
    case RenderPreset::DebugLines:
        SetLines(device, true);
        break;
    case RenderPreset::DebugLinesOnTop:
        SetLines(device, false);
        break;
    case RenderPreset::BlendedLines:
        SetLines(device, true);
        SetSourceAlphaBlending(device);
        break;
    case RenderPreset::Screen:
        SetScreen(device, D3DTEXF_POINT);
        break;
    case RenderPreset::ScreenOverlay:
        SetScreenOverlay(device, D3DTEXF_LINEAR);
        break;
    case RenderPreset::ScreenOverlayUnfiltered:
        SetScreenOverlay(device, D3DTEXF_POINT);
        break;
    case RenderPreset::SceneQuads:
        SetSceneQuads(device, false);
        break;
    case RenderPreset::BlendedSceneQuads:
        SetSceneQuads(device, true);
        break;
    case RenderPreset::LevelTriangles:
        SetUnlitMultitexture(device, kLevelVertexFvf, 2, 1);
        break;
    case RenderPreset::TerrainQuads:
        SetUnlitMultitexture(device, kTerrainVertexFvf, 3, 0);
        break;
    case RenderPreset::ModelTriangles:
        SetModelTriangles(device);
        break;
    }
}
