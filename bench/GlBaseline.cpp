// Plain OpenGL over SDL: buffer objects, fixed-function lighting and
// texturing, nothing cached and nothing tracked beyond what GL holds.
#include "GlBaseline.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdint>

namespace
{
const void* Offset(int bytes)
{
    return reinterpret_cast<const void*>(static_cast<intptr_t>(bytes));
}

void Colour(uint32_t argb, float* out)
{
    out[0] = static_cast<float>((argb >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((argb >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(argb & 0xFF) / 255.0f;
    out[3] = static_cast<float>(argb >> 24) / 255.0f;
}

unsigned StaticBuffer(GLenum target, const void* data, size_t bytes)
{
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(target, name);
    glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    return name;
}
} // namespace

GlBaseline::GlBaseline(int width_, int height_) : width(width_), height(height_)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return;
    // The engine's window and context ask for the same.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    window =
        SDL_CreateWindow("baseline", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window)
        context = SDL_GL_CreateContext(window);
    SDL_GL_ResetAttributes();
    if (!context)
        return;
    MakeCurrent();
    SDL_GL_SetSwapInterval(0);
    glViewport(0, 0, width, height);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glDisable(GL_DITHER);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float black[4] = {0, 0, 0, 1};
    const float white[4] = {1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glClearColor(0x22 / 255.0f, 0x22 / 255.0f, 0x44 / 255.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
}

GlBaseline::~GlBaseline()
{
    if (context)
    {
        MakeCurrent();
        for (const Mesh& mesh : meshes)
        {
            for (const Group& group : mesh.groups)
                glDeleteBuffers(1, &group.buffer);
            glDeleteBuffers(1, &mesh.buffer);
        }
        for (unsigned buffer : {skyBuffer, lineBuffer, textBuffer})
        {
            if (buffer)
                glDeleteBuffers(1, &buffer);
        }
        if (!textures.empty())
            glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
    }
    if (window)
        SDL_DestroyWindow(window);
}

void GlBaseline::MakeCurrent()
{
    if (SDL_GL_GetCurrentContext() != context)
        SDL_GL_MakeCurrent(window, context);
}

int GlBaseline::AddTexture(const std::vector<uint32_t>& argb, int textureWidth, int textureHeight,
                           bool alpha, Filter filter)
{
    MakeCurrent();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // ARGB words are B, G, R, A bytes in memory.
    glTexImage2D(GL_TEXTURE_2D, 0, alpha ? GL_RGBA8 : GL_RGB8, textureWidth, textureHeight, 0,
                 GL_BGRA, GL_UNSIGNED_BYTE, argb.data());
    GLint mag = filter == Filter::Nearest ? GL_NEAREST : GL_LINEAR;
    if (filter == Filter::Mipmapped)
    {
        glGenerateMipmap(GL_TEXTURE_2D);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    }
    else
    {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mag);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
    textures.push_back(name);
    return static_cast<int>(textures.size() - 1);
}

int GlBaseline::AddMesh(const void* vertices, size_t bytes, int stride, int normalOffset,
                        int uvOffset)
{
    MakeCurrent();
    meshes.push_back(
        {StaticBuffer(GL_ARRAY_BUFFER, vertices, bytes), stride, normalOffset, uvOffset, {}});
    return static_cast<int>(meshes.size() - 1);
}

void GlBaseline::AddGroup(int mesh, const std::vector<uint16_t>& indices, int texture)
{
    MakeCurrent();
    meshes[static_cast<size_t>(mesh)].groups.push_back(
        {StaticBuffer(GL_ELEMENT_ARRAY_BUFFER, indices.data(), indices.size() * 2),
         static_cast<int>(indices.size()), texture});
}

void GlBaseline::AddInstance(int mesh, const float world[16])
{
    Instance instance = {mesh, {}};
    for (int i = 0; i < 16; ++i)
        instance.world[i] = world[i];
    instances.push_back(instance);
}

void GlBaseline::SetSky(const std::vector<float>& corners, const std::vector<int>& faceTextures,
                        const float world[16])
{
    MakeCurrent();
    skyBuffer = StaticBuffer(GL_ARRAY_BUFFER, corners.data(), corners.size() * sizeof(float));
    skyTextures = faceTextures;
    for (int i = 0; i < 16; ++i)
        skyWorld[i] = world[i];
}

void GlBaseline::SetLines(const std::vector<float>& points, uint32_t argb)
{
    MakeCurrent();
    lineBuffer = StaticBuffer(GL_ARRAY_BUFFER, points.data(), points.size() * sizeof(float));
    lineCount = static_cast<int>(points.size() / 3);
    Colour(argb, lineColour);
}

void GlBaseline::SetText(const std::vector<float>& corners, int texture, uint32_t argb)
{
    MakeCurrent();
    textBuffer = StaticBuffer(GL_ARRAY_BUFFER, corners.data(), corners.size() * sizeof(float));
    textCount = static_cast<int>(corners.size() / 4);
    textTexture = texture;
    Colour(argb, textColour);
}

void GlBaseline::SetCamera(const float projection_[16], const float view_[16])
{
    for (int i = 0; i < 16; ++i)
    {
        projection[i] = projection_[i];
        view[i] = view_[i];
    }
}

void GlBaseline::AddLight(float x, float y, float z)
{
    MakeCurrent();
    const GLenum id = static_cast<GLenum>(GL_LIGHT0 + lights.size() / 4);
    const float black[4] = {0, 0, 0, 1};
    const float white[4] = {1, 1, 1, 1};
    glLightfv(id, GL_AMBIENT, black);
    glLightfv(id, GL_SPECULAR, black);
    glLightfv(id, GL_DIFFUSE, white);
    glEnable(id);
    // GL's directional light position points towards the light.
    for (float component : {-x, -y, -z, 0.0f})
        lights.push_back(component);
}

void GlBaseline::LoadModelview(const float* world)
{
    // Row-vector world then view: as GL's column-major product view * world.
    glLoadMatrixf(view);
    glMultMatrixf(world);
}

void GlBaseline::BindTexture(int texture)
{
    if (texture < 0)
    {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textures[static_cast<size_t>(texture)]);
}

void GlBaseline::Draw()
{
    MakeCurrent();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(view);
    for (size_t i = 0; i < lights.size(); i += 4)
        glLightfv(static_cast<GLenum>(GL_LIGHT0 + i / 4), GL_POSITION, &lights[i]);

    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    if (skyBuffer)
    {
        glDisable(GL_LIGHTING);
        glDepthMask(GL_FALSE);
        glColor4f(1, 1, 1, 1);
        LoadModelview(skyWorld);
        glBindBuffer(GL_ARRAY_BUFFER, skyBuffer);
        glVertexPointer(3, GL_FLOAT, 20, nullptr);
        glTexCoordPointer(2, GL_FLOAT, 20, Offset(12));
        for (size_t face = 0; face < skyTextures.size(); ++face)
        {
            BindTexture(skyTextures[face]);
            glDrawArrays(GL_TRIANGLE_FAN, static_cast<GLint>(4 * face), 4);
        }
        glDepthMask(GL_TRUE);
    }

    glEnable(GL_LIGHTING);
    glEnableClientState(GL_NORMAL_ARRAY);
    for (const Instance& instance : instances)
    {
        const Mesh& mesh = meshes[static_cast<size_t>(instance.mesh)];
        LoadModelview(instance.world);
        glBindBuffer(GL_ARRAY_BUFFER, mesh.buffer);
        glVertexPointer(3, GL_FLOAT, mesh.stride, nullptr);
        glNormalPointer(GL_FLOAT, mesh.stride, Offset(mesh.normalOffset));
        glTexCoordPointer(2, GL_FLOAT, mesh.stride, Offset(mesh.uvOffset));
        for (const Group& group : mesh.groups)
        {
            BindTexture(group.texture);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, group.buffer);
            glDrawElements(GL_TRIANGLES, group.count, GL_UNSIGNED_SHORT, nullptr);
        }
    }
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisable(GL_LIGHTING);

    if (lineCount > 0)
    {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        BindTexture(-1);
        glColor4fv(lineColour);
        glLoadMatrixf(view);
        glBindBuffer(GL_ARRAY_BUFFER, lineBuffer);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glDrawArrays(GL_LINES, 0, lineCount);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }

    if (textCount > 0)
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, width, height, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        BindTexture(textTexture);
        glColor4fv(textColour);
        glBindBuffer(GL_ARRAY_BUFFER, textBuffer);
        glVertexPointer(2, GL_FLOAT, 16, nullptr);
        glTexCoordPointer(2, GL_FLOAT, 16, Offset(8));
        glDrawArrays(GL_QUADS, 0, textCount);
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void GlBaseline::DrawFrame()
{
    Draw();
    SDL_GL_SwapWindow(window);
    glFinish();
}

std::vector<uint32_t> GlBaseline::DrawAndReadAll()
{
    Draw();
    std::vector<uint32_t> rows(static_cast<size_t>(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
    // GL counts rows from the bottom.
    std::vector<uint32_t> pixels(rows.size());
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] =
                rows[static_cast<size_t>(height - 1 - y) * width + x];
    }
    return pixels;
}

uint32_t GlBaseline::DrawAndRead(int x, int y)
{
    return DrawAndReadAll()[static_cast<size_t>(y) * width + x];
}

void GlBaseline::Clear()
{
    MakeCurrent();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    glFinish();
}
