// Plain OpenGL over SDL: buffer objects, fixed-function lighting and
// texturing, nothing cached and nothing tracked.
#include "GlBaseline.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdint>

GlBaseline::GlBaseline(int width_, int height_) : width(width_), height(height_)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
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
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const float black[4] = {0, 0, 0, 1};
    const float white[4] = {1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glClearColor(0x22 / 255.0f, 0x22 / 255.0f, 0x44 / 255.0f, 1.0f);
}

GlBaseline::~GlBaseline()
{
    if (context)
    {
        MakeCurrent();
        for (const Group& group : groups)
            glDeleteBuffers(1, &group.buffer);
        if (!textures.empty())
            glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
        if (vertexBuffer)
            glDeleteBuffers(1, &vertexBuffer);
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

void GlBaseline::SetVertices(const void* vertices, size_t bytes, int stride_, int normalOffset_,
                             int uvOffset_)
{
    MakeCurrent();
    stride = stride_;
    normalOffset = normalOffset_;
    uvOffset = uvOffset_;
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), vertices, GL_STATIC_DRAW);
}

int GlBaseline::AddTexture(const std::vector<uint32_t>& argb, int textureWidth, int textureHeight)
{
    MakeCurrent();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // ARGB words are B, G, R, A bytes in memory.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, textureWidth, textureHeight, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, argb.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    textures.push_back(name);
    return static_cast<int>(textures.size() - 1);
}

void GlBaseline::AddGroup(const std::vector<uint16_t>& indices, int texture)
{
    MakeCurrent();
    Group group = {0, static_cast<int>(indices.size()), textures[static_cast<size_t>(texture)]};
    glGenBuffers(1, &group.buffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, group.buffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 2),
                 indices.data(), GL_STATIC_DRAW);
    groups.push_back(group);
}

void GlBaseline::SetCamera(const float projection_[16], const float view_[16])
{
    for (int i = 0; i < 16; ++i)
    {
        projection[i] = projection_[i];
        view[i] = view_[i];
    }
}

void GlBaseline::SetLight(float x, float y, float z)
{
    // GL's directional light position points towards the light.
    light[0] = -x;
    light[1] = -y;
    light[2] = -z;
    light[3] = 0.0f;
}

void GlBaseline::Draw()
{
    MakeCurrent();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(view);
    glLightfv(GL_LIGHT0, GL_POSITION, light);

    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, nullptr);
    glNormalPointer(GL_FLOAT, stride,
                    reinterpret_cast<const void*>(static_cast<intptr_t>(normalOffset)));
    glTexCoordPointer(2, GL_FLOAT, stride,
                      reinterpret_cast<const void*>(static_cast<intptr_t>(uvOffset)));
    for (const Group& group : groups)
    {
        glBindTexture(GL_TEXTURE_2D, group.texture);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, group.buffer);
        glDrawElements(GL_TRIANGLES, group.count, GL_UNSIGNED_SHORT, nullptr);
    }
}

void GlBaseline::DrawFrame()
{
    Draw();
    SDL_GL_SwapWindow(window);
    glFinish();
}

uint32_t GlBaseline::DrawAndRead(int x, int y)
{
    Draw();
    uint32_t pixel = 0;
    glReadPixels(x, height - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}

void GlBaseline::Clear()
{
    MakeCurrent();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    glFinish();
}
