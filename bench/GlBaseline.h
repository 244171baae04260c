// The least an OpenGL program does to draw a textured, lit mesh: a window and
// context of its own, the mesh in buffer objects, one mipmapped texture per
// material group and one draw per group, one directional light. Benchmarks
// measure the engine's frames against it. It includes no engine header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class GlBaseline
{
public:
    // A hidden window whose drawable is width by height, with a double-buffered
    // context and a 24-bit depth buffer; Ready() is false when either fails.
    GlBaseline(int width, int height);
    ~GlBaseline();
    GlBaseline(const GlBaseline&) = delete;
    GlBaseline& operator=(const GlBaseline&) = delete;

    bool Ready() const { return context != nullptr; }

    // Interleaved vertices, stride bytes each: position (3 floats) at 0,
    // normal (3 floats) at normalOffset, texture coordinate at uvOffset.
    void SetVertices(const void* vertices, size_t bytes, int stride, int normalOffset,
                     int uvOffset);
    // A texture of ARGB words, top row first, with its full mip chain.
    // Returns its number for AddGroup.
    int AddTexture(const std::vector<uint32_t>& argb, int width, int height);
    // Triangles as 16-bit indices, drawn with texture `texture`.
    void AddGroup(const std::vector<uint16_t>& indices, int texture);
    // Column-major matrices as GL takes them; faces wound clockwise on screen
    // are the front ones.
    void SetCamera(const float projection[16], const float view[16]);
    // A white light travelling along direction (world space).
    void SetLight(float x, float y, float z);

    // Clears, draws each group, swaps, and waits until the picture is done.
    void DrawFrame();
    void Clear();
    // Draws a frame without showing it and returns its pixel at (x, y), top
    // row first, as 0xAARRGGBB.
    uint32_t DrawAndRead(int x, int y);

private:
    struct Group
    {
        unsigned buffer;
        int count;
        unsigned texture;
    };

    void MakeCurrent();
    void Draw();

    int width;
    int height;
    struct SDL_Window* window = nullptr;
    void* context = nullptr;
    unsigned vertexBuffer = 0;
    int stride = 0;
    int normalOffset = 0;
    int uvOffset = 0;
    std::vector<unsigned> textures;
    std::vector<Group> groups;
    float projection[16] = {};
    float view[16] = {};
    float light[4] = {0, 0, 1, 0};
};
