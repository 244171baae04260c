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

void SetSourceAlphaBlending(IDirect3DDevice9* device)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void SetLines(IDirect3DDevice9* device, bool depth)
{
    device->SetTexture(0, nullptr);
    device->SetFVF(kLineVertexFvf);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, depth ? D3DZB_TRUE : D3DZB_FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, depth ? TRUE : FALSE);
    device->SetPixelShader(nullptr);
    device->SetVertexShader(nullptr);
    // Lines carry no texture coordinates; the filters are set so that what
    // follows finds the scene's usual sampling.
    SetSampler(device, 0, D3DTEXF_LINEAR, D3DTEXF_POINT);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    // A texture left on stage 1 (a lightmap) would tint the lines.
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
}

void SetSceneQuads(IDirect3DDevice9* device, bool blended)
{
    device->SetFVF(kSceneQuadFvf);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetPixelShader(nullptr);
    device->SetVertexShader(nullptr);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    for (DWORD stage = 1; stage <= 3; ++stage)
        device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
    if (blended)
        SetSourceAlphaBlending(device);
    else
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void SetLevelTriangles(IDirect3DDevice9* device)
{
    device->SetFVF(kLevelVertexFvf);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetPixelShader(nullptr);
    device->SetVertexShader(nullptr);
    for (DWORD sampler = 0; sampler <= 1; ++sampler)
        SetSampler(device, sampler, D3DTEXF_LINEAR, D3DTEXF_POINT);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
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
        device->SetVertexShader(nullptr);
        SetSampler(device, 0, D3DTEXF_POINT, D3DTEXF_NONE);
        SetSourceAlphaBlending(device);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device->SetFVF(kScreenVertexFvf);
        break;
    case RenderPreset::SceneQuads:
        SetSceneQuads(device, false);
        break;
    case RenderPreset::BlendedSceneQuads:
        SetSceneQuads(device, true);
        break;
    case RenderPreset::LevelTriangles:
        SetLevelTriangles(device);
        break;
    }
}
