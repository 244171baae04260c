// The least an OpenGL program does to draw a lit, textured scene: a window and
// context of its own with the engine's framebuffer formats, every mesh and
// texture uploaded once (buffer objects, mipmapped textures), one draw per
// material group of each placed mesh, fixed-function lights; a sky of
// textured quads drawn first without depth writes, world-space lines and
// screen text drawn last. Benchmarks measure the engine's frames against it.
// It includes no engine header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class GlBaseline
{
public:
    // A hidden window whose drawable is width by height, with a double-buffered
    // context, 24 bits of depth and 8 of stencil; Ready() is false when either
    // fails.
    GlBaseline(int width, int height);
    ~GlBaseline();
    GlBaseline(const GlBaseline&) = delete;
    GlBaseline& operator=(const GlBaseline&) = delete;

    bool Ready() const { return context != nullptr; }

    enum class Filter
    {
        // Bilinear within the nearest mip level of a full chain.
        Mipmapped,
        // Bilinear from the top level alone.
        Linear,
        // Nearest texel of the top level.
        Nearest,
    };
    // A texture of ARGB words, top row first; alpha is kept when `alpha` is
    // set, else read as 1. Returns its number, for groups, sky faces and text.
    int AddTexture(const std::vector<uint32_t>& argb, int width, int height, bool alpha,
                   Filter filter);

    // Interleaved lit vertices, stride bytes each: position (3 floats) at 0,
    // normal (3 floats) at normalOffset, texture coordinate at uvOffset.
    // Returns the mesh's number.
    int AddMesh(const void* vertices, size_t bytes, int stride, int normalOffset, int uvOffset);
    // Triangles of the mesh as 16-bit indices, drawn with a texture (or none
    // when texture is -1).
    void AddGroup(int mesh, const std::vector<uint16_t>& indices, int texture);
    // Draws every group of the mesh under a world matrix (column-major as GL
    // takes it, i.e. a row-major row-vector matrix as it is).
    void AddInstance(int mesh, const float world[16]);

    // The sky: quads of four (x, y, z, u, v) corners each, one texture a
    // quad, drawn first, unlit, under the given world matrix, with depth
    // tested but not written.
    void SetSky(const std::vector<float>& corners, const std::vector<int>& textures,
                const float world[16]);
    // World-space lines, pairs of (x, y, z) points, in one ARGB colour, drawn
    // after the meshes with depth tested and written.
    void SetLines(const std::vector<float>& points, uint32_t argb);
    // Screen quads of four (x, y, u, v) corners each, pixels from the top left,
    // in one ARGB colour, drawn last with the texture, alpha blended.
    void SetText(const std::vector<float>& corners, int texture, uint32_t argb);

    // Column-major matrices as GL takes them; faces wound clockwise on screen
    // are the front ones.
    void SetCamera(const float projection[16], const float view[16]);
    // A white directional light travelling along (x, y, z) in world space; at
    // most eight.
    void AddLight(float x, float y, float z);

    // Clears, draws the scene, swaps, and waits until the picture is done.
    void DrawFrame();
    void Clear();
    // Draws a frame without showing it and reads the whole picture: width *
    // height ARGB words, top row first.
    std::vector<uint32_t> DrawAndReadAll();
    // The same frame's pixel at (x, y).
    uint32_t DrawAndRead(int x, int y);

private:
    struct Group
    {
        unsigned buffer;
        int count;
        int texture;
    };
    struct Mesh
    {
        unsigned buffer;
        int stride;
        int normalOffset;
        int uvOffset;
        std::vector<Group> groups;
    };
    struct Instance
    {
        int mesh;
        float world[16];
    };

    void MakeCurrent();
    void Draw();
    void LoadModelview(const float* world);
    void BindTexture(int texture);

    int width;
    int height;
    struct SDL_Window* window = nullptr;
    void* context = nullptr;
    std::vector<unsigned> textures;
    std::vector<Mesh> meshes;
    std::vector<Instance> instances;
    unsigned skyBuffer = 0;
    std::vector<int> skyTextures;
    float skyWorld[16] = {};
    unsigned lineBuffer = 0;
    int lineCount = 0;
    float lineColour[4] = {};
    unsigned textBuffer = 0;
    int textCount = 0;
    int textTexture = -1;
    float textColour[4] = {};
    float projection[16] = {};
    float view[16] = {};
    std::vector<float> lights;
};
